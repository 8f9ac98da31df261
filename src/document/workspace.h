#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/stored_text.h"
#include "document/undo_entry.h"
#include "platform/pure/line_ends.h"
#include "platform/rich_text_box.h"
#include "platform/services.h"
#include "settings/recent_list.h"
#include "settings/settings_file.h"

namespace scrivane {

// The project's version, given by the build.
inline constexpr const char* kVersion = SCRIVANE_VERSION;

// The open document as the window knows it.
struct DocumentState {
    std::string filename;               // full path; empty for an unnamed document
    std::optional<TimePoint> filetime;  // the file's time as last seen; none until opened/saved
    TimePoint actiontime{};             // when this program last opened or saved the file
    std::string lastaction;             // "opened" or "last saved"
    LineEnds lineEnds = platformLineEnds();  // written back on save
    StoredText stored;                       // the text as last opened or saved
    // How the stored text breaks its lines otherwise than `lineEnds`: the breaks of deleted
    // text that Track Changes shows come back with them.
    std::vector<LineBreak> storedBreaks;
    std::string dialogFileName;  // where the next file dialog starts
};

// The last answer of the modified check, with what it was computed from.
struct ModifiedCheck {
    bool known = false;
    std::uint64_t revision = 0;          // of the surface's content
    std::uint64_t storedGeneration = 0;  // of the stored text
    bool unchanged = true;
};

// Caret line and line count as the caption last showed them.
struct CaretStatus {
    Pos caretline = 1;
    Pos linecount = 0;
};

// What searching remembers between commands.
struct SearchState {
    std::string findtext;  // the text last searched for
    bool findok = false;   // the selection is a match of findtext (Replace may replace it)
};

// Flags the surface's key handlers keep from one event to the next.
struct KeyFlags {
    bool backspaced = false;  // the last character key was Backspace
    Pos skipcount = 0;        // caret moves this far when the key is released (tracked Delete)
    bool typingrun = false;   // the current typing run has its undo snapshot
    bool keyskipped = false;  // KeyDown let the key through; KeyUp does nothing
    bool enterTyped = false;  // the last character key was Enter; cleared by the next change
};

// What the procedures need from the window besides the surfaces and services.
class WindowView {
  public:
    virtual ~WindowView() = default;
    virtual void ArmTimer() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetStatusLabel(const std::string& text) = 0;
    virtual void ShowRecentFiles(const std::vector<RecentItem>& items) = 0;
    // The go-to box.
    virtual std::string GotoText() const = 0;
    virtual void SetGotoText(const std::string& text) = 0;
    virtual void FocusGotoBoxSelectingAll() = 0;
    // Check marks and enabled states of menu items follow the workspace.
    virtual void OptionsChanged() = 0;
    // The document's life, for what the window keeps beside it (its recovery file): a file
    // was opened or the editor started without one; it was saved; it was closed or dropped
    // after the save prompt.
    virtual void DocumentOpened() {}
    virtual void DocumentSaved() {}
    virtual void DocumentClosed() {}
};

// All state of the one window, passed explicitly to the procedures that work on it.
struct Workspace {
    Workspace(RichTextBox& mergedocSurface, RichTextBox& txtSurface, Services& platform,
              WindowView& window)
        : mergedoc(mergedocSurface), txt(txtSurface), services(platform), view(window) {}

    RichTextBox& mergedoc;  // the visible editing surface
    RichTextBox& txt;       // hidden scratch surface
    Services& services;
    WindowView& view;

    DocumentState doc;
    Settings settings;          // auto-indent, wrap, recent list; the font lives in mergedoc
    bool trackChanges = false;  // check mark of Track Changes
    bool blockCheck = false;    // check mark of Block Check
    UndoBuffer undo;
    KeyFlags keys;
    SearchState search;
    CaretStatus status;
    ModifiedCheck modified;

    // Command line as the process received it; handled once, when the window is first shown.
    std::vector<std::string> arguments;
    bool commandLineHandled = false;
};

}  // namespace scrivane
