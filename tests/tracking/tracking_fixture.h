#pragma once

#include <cctype>
#include <string>

#include "platform/pure/text_runs.h"
#include "support/fake_surface.h"
#include "support/workspace_fixture.h"
#include "tracking/edit_menu.h"
#include "tracking/track_changes.h"
#include "tracking/tracked_keys.h"
#include "tracking/undo_buffer.h"

namespace scrivane {

// The window's forwarding of surface events to the tracked handlers.
class ForwardToHandlers : public SurfaceEvents {
  public:
    explicit ForwardToHandlers(Workspace& ws) : ws_(ws) {}
    void Change() override { mergedoc_Change(ws_); }
    void KeyDown(int& keyCode, int shift) override { mergedoc_KeyDown(ws_, keyCode, shift); }
    void KeyPress(int& keyAscii) override { mergedoc_KeyPress(ws_, keyAscii); }
    void KeyUp(int&, int) override { mergedoc_KeyUp(ws_); }
    void MouseUp(int, int, int, int) override { mergedoc_MouseUp(ws_); }

  private:
    Workspace& ws_;
};

// The document's marking, one letter a byte: '.' plain, 'r' red and struck, 'b' blue,
// 's' struck but not red, '?' anything else; a change marker in capitals ('R', 'B').
inline std::string marksOf(const RichText& doc) {
    if (doc.runs.empty()) return std::string(doc.text.size(), '.');
    std::string out;
    for (const TextRun& run : doc.runs) {
        char c = '?';
        if (run.colour == kPlain && !run.strike) c = '.';
        if (run.colour == kDeletedRed && run.strike) c = 'r';
        if (run.colour == kInsertedBlue && !run.strike) c = 'b';
        if (run.colour != kDeletedRed && run.strike) c = 's';
        if (run.marker) c = static_cast<char>(std::toupper(c));
        out.append(run.length, c);
    }
    return out;
}

// Styled text from a text and its marking letters ('.', 'r', 'b', markers 'R', 'B').
inline RichText withMarks(const std::string& text, const std::string& marks) {
    RichText doc{text, {}};
    for (const char m : marks) {
        const char lower = static_cast<char>(std::tolower(m));
        const Colour c = lower == 'r' ? kDeletedRed : lower == 'b' ? kInsertedBlue : kPlain;
        appendRun(doc.runs, 1, Marking{c, lower == 'r', m != lower});
    }
    return doc;
}

// Tracking over the fake surface: its keys do what the editing component does with them.
class TrackingTest : public WorkspaceFixture<FakeSurface> {
  protected:
    TrackingTest() { mergedoc.SetEvents(&forward); }
    ~TrackingTest() override { mergedoc.SetEvents(nullptr); }

    void load(const std::string& text, const std::string& marks) {
        mergedoc.SetEnabled(false);
        mergedoc.SetContent(withMarks(text, marks));
        mergedoc.SetEnabled(true);
    }
    void select(Pos start, Pos length) {
        mergedoc.SetSelStart(start);
        mergedoc.SetSelLength(length);
    }
    void press(int code, int shiftBits = 0) { mergedoc.press(code, shiftBits); }
    void typeChar(char c) { mergedoc.typeKeys(std::string(1, c)); }
    std::string marks() const { return marksOf(mergedoc.Content()); }

    ForwardToHandlers forward{ws};
};

}  // namespace scrivane
