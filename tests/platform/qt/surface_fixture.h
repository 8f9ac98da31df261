#pragma once

#include <Qsci/qsciscintillabase.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {

// Records what the surface reports; the optional hooks play the window's handlers.
class RecordingEvents : public SurfaceEvents {
  public:
    void Change() override {
        ++changes;
        if (onChange) onChange();
    }
    void KeyDown(int& keyCode, int shiftBits) override {
        keyDowns.push_back({keyCode, shiftBits});
        if (onKeyDown) onKeyDown(keyCode, shiftBits);
    }
    void KeyPress(int& keyAscii) override {
        keyPresses.push_back(keyAscii);
        if (onKeyPress) onKeyPress(keyAscii);
    }
    void KeyUp(int& keyCode, int shiftBits) override { keyUps.push_back({keyCode, shiftBits}); }
    void MouseUp(int button, int shiftBits, int, int) override {
        mouseUps.push_back({button, shiftBits});
    }
    void FilesDropped(const std::vector<std::string>& paths) override { drops.push_back(paths); }

    int changes = 0;
    std::vector<std::pair<int, int>> keyDowns;
    std::vector<int> keyPresses;
    std::vector<std::pair<int, int>> keyUps;
    std::vector<std::pair<int, int>> mouseUps;
    std::vector<std::vector<std::string>> drops;
    std::function<void()> onChange;
    std::function<void(int&, int)> onKeyDown;
    std::function<void(int&)> onKeyPress;
};

class SurfaceTest : public ::testing::Test {
  protected:
    SurfaceTest() { surface.SetEvents(&events); }

    long codePage() const {
        return surface.editor()->SendScintilla(QsciScintillaBase::SCI_GETCODEPAGE);
    }
    void select(Pos start, Pos length) {
        surface.SetSelStart(start);
        surface.SetSelLength(length);
    }

    ScintillaSurface surface;
    RecordingEvents events;
};

// True when every CR is followed by LF and every LF follows a CR.
inline bool onlyCrLf(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) return false;
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
    }
    return true;
}

}  // namespace scrivane
