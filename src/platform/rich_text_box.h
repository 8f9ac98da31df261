#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text.h"
#include "platform/pure/text_survey.h"
#include "platform/text_buffer.h"

namespace scrivane {

// Key codes and shift bits the key handlers work with (the surface translates toolkit key
// events into these in one place).
namespace key {
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int Enter = 13;
inline constexpr int Escape = 27;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Delete = 46;
inline constexpr int F2 = 113;
inline constexpr int F3 = 114;
}  // namespace key
namespace shift {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
}  // namespace shift

// What the surface reports. A handler may set keyCode / keyAscii to 0 to cancel the key.
class SurfaceEvents {
  public:
    virtual ~SurfaceEvents() = default;
    virtual void Change() {}
    virtual void KeyDown(int& /*keyCode*/, int /*shift*/) {}
    virtual void KeyPress(int& /*keyAscii*/) {}
    virtual void KeyUp(int& /*keyCode*/, int /*shift*/) {}
    virtual void MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
    // Files dropped on the surface, in the order the drop listed them.
    virtual void FilesDropped(const std::vector<std::string>& /*paths*/) {}
    // A middle click asks to paste the primary selection (UTF-8) at the caret, which the
    // click has put there. Nothing is pasted unless the handler does it.
    virtual void PasteSelection(const std::string& /*utf8*/) {}
    // Something tried to change a read-only content (see RichTextBox::StartText).
    virtual void ReadOnlyRefused() {}
};

// Told of every change of a surface's text just before it is made: `removed` bytes at `pos`,
// still there to read, give way to `inserted` bytes. A replacement of the whole content is one
// such change from 0. Called from inside the edit: a watcher only takes note.
class TextEditWatcher {
  public:
    virtual ~TextEditWatcher() = default;
    virtual void TextEdited(Pos pos, Pos removed, Pos inserted) = 0;
};

// What the user sees of a document and works with: the selection and the caret, the marking
// of what is typed next, the font and the wrapping, the keyboard focus. The selection commands
// (SelText, SetSelText, SelColor...) act on the buffer the view shows.
class TextView {
  public:
    virtual ~TextView() = default;

    virtual Pos SelStart() const = 0;
    virtual void SetSelStart(Pos pos) = 0;  // clamped to [0, length]; collapses the selection
    virtual Pos SelLength() const = 0;
    virtual void SetSelLength(Pos len) = 0;  // clamped to the end of the text
    // Selects as SetSelStart then SetSelLength do, and shows the line of `start` with lines
    // around it: the view stays where it is when that line is already well inside it, and
    // otherwise brings it about a third of the way down.
    virtual void SelectInContext(Pos start, Pos length) = 0;
    virtual std::string SelText() const = 0;
    virtual void SetSelText(std::string_view text) = 0;  // caret after the new text
    virtual Colour SelColor() const = 0;                 // over more than one colour: kMixedColour
    virtual void SetSelColor(Colour colour) = 0;
    virtual bool SelStrikeThru() const = 0;
    virtual void SetSelStrikeThru(bool on) = 0;
    // True when any byte of the selection carries strike-through; asks the marking alone.
    virtual bool SelHasStrike() const = 0;
    // The colour, unstruck, of the next text typed at the selection, without touching the
    // selected text itself (typing replaces it).
    virtual void SetTypingColour(Colour colour) = 0;

    virtual FontSpec Font() const = 0;
    virtual void SetFont(const FontSpec& font) = 0;
    virtual void SetRightMargin(float margin) = 0;  // 3: wrap at the edge; 60000: no wrap

    // False while a procedure rewrites the content: the change handler then does nothing,
    // and the user's keys and clicks are dropped. The keyboard focus stays.
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual void SetFocus() = 0;
};

// A text put together off to the side while the surface goes on showing its content: opening a
// file builds one piece by piece and then puts it in place whole, or drops it, and then nothing
// has changed.
class PendingText {
  public:
    virtual ~PendingText() = default;
    // Appends text whose breaks are all CR LF (a CR LF may be split between two pieces). False
    // when there was no memory for it; the text is then of no use.
    virtual bool Append(std::string_view text) = 0;
    // What the whole text appended is like; told once it is all in, before the surface takes it.
    virtual void Describe(const TextSurvey& survey) = 0;
};

// The editing surface: a document's buffer and its view together, as the window has them.
// Everything written into it has its line ends turned into CR LF.
class RichTextBox : public TextBuffer, public TextView {
  public:
    // Replaces the content with a file's bytes (line ends normalised). On failure returns
    // false, sets `error` to the platform's description, and keeps the content.
    virtual bool LoadFile(const std::string& path, std::string& error) = 0;

    // A new text for the surface, `expected` bytes long or about; `readOnly` holds it with 64-bit
    // positions (it may pass kLargestEditable bytes) and refuses every edit.
    virtual std::unique_ptr<PendingText> StartText(std::uint64_t expected, bool readOnly) = 0;
    // Puts `text` in place of the content: unmarked, with `breaks`, the caret at the start.
    virtual void TakeText(std::unique_ptr<PendingText> text,
                          const std::vector<LineBreak>& breaks) = 0;
    // True while the content is a read-only text from StartText.
    virtual bool ReadOnly() const = 0;

    void SetEvents(SurfaceEvents* events) { events_ = events; }
    void AddEditWatcher(TextEditWatcher* watcher) { editWatchers_.push_back(watcher); }
    void RemoveEditWatcher(TextEditWatcher* watcher) { std::erase(editWatchers_, watcher); }

  protected:
    SurfaceEvents* events() const { return events_; }
    void noteEdit(Pos pos, Pos removed, Pos inserted) const {
        for (TextEditWatcher* watcher : editWatchers_) watcher->TextEdited(pos, removed, inserted);
    }

  private:
    SurfaceEvents* events_ = nullptr;
    std::vector<TextEditWatcher*> editWatchers_;
};

}  // namespace scrivane
