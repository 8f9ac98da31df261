#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/workspace.h"
#include "platform/qt/scintilla_surface.h"
#include "support/recording_view.h"
#include "support/scripted_services.h"

namespace scrivane {

// A workspace over real surfaces, scripted services and a recording window, with a private
// temporary directory as current, program and configuration directory.
class AppTest : public ::testing::Test {
  protected:
    AppTest() {
        services.currentDir = dir();
        services.programDir = dir() + "/prog";
        services.configDir = dir() + "/config";
        services.now = localTime(2026, 12, 8, 9, 5);
    }

    std::string dir() const { return tmp.path().toStdString(); }

    std::string writeFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    static TimePoint localTime(int year, int month, int day, int hour, int minute) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_isdst = -1;
        return std::chrono::system_clock::from_time_t(std::mktime(&tm));
    }

    static void setModified(const std::string& path, TimePoint t) {
        const auto sinceFileEpoch = t - std::chrono::system_clock::now();
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() +
                      std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
                          sinceFileEpoch));
    }

    // Lets the next open go ahead without a save prompt.
    void forgetChanges() { mergedoc.SetTag(mergedoc.Text()); }

    // Types text at the caret as a user's edit would land.
    void type(const std::string& text) { mergedoc.SetSelText(text); }

    QTemporaryDir tmp;
    ScintillaSurface mergedoc;
    ScintillaSurface txt;
    ScriptedServices services;
    RecordingView view;
    Workspace ws{mergedoc, txt, services, view};
};

}  // namespace scrivane
