#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "document/workspace.h"
#include "support/recording_view.h"
#include "support/scripted_services.h"

namespace scrivane {

// A private directory, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/scrivane-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool isValid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A workspace over two surfaces of type `Surface`, scripted services and a recording window,
// with a private temporary directory as current, program and configuration directory.
template <class Surface>
class WorkspaceFixture : public ::testing::Test {
  protected:
    WorkspaceFixture() {
        services.currentDir = dir();
        services.programDir = dir() + "/prog";
        services.configDir = dir() + "/config";
        services.now = localTime(2026, 12, 8, 9, 5);
    }

    std::string dir() const { return tmp.path(); }

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
    void forgetChanges() { ws.doc.stored.set(mergedoc.Text()); }

    // Types text at the caret as a user's edit would land.
    void type(const std::string& text) { mergedoc.SetSelText(text); }

    TempDir tmp;
    Surface mergedoc;
    Surface txt;
    ScriptedServices services;
    RecordingView view;
    Workspace ws{mergedoc, txt, services, view};
};

}  // namespace scrivane
