#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text.h"

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
};

// Told of every change of a surface's text as it is made: `removed` bytes at `pos` give way
// to `inserted` bytes. A replacement of the whole content is one such change from 0. Called
// from inside the edit: a watcher only takes note.
class TextEditWatcher {
  public:
    virtual ~TextEditWatcher() = default;
    virtual void TextEdited(Pos pos, Pos removed, Pos inserted) = 0;
};

// The rich-text editing surface. Positions are byte offsets from 0; a CR LF pair counts as
// two. Everything written into it has its line ends turned into CR LF.
class RichTextBox {
  public:
    virtual ~RichTextBox() = default;

    virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;  // caret at 0 afterwards
    virtual std::string TextRTF() const = 0;
    // Replaces all, with colours and strike-through; a string that is not RTF becomes the
    // content as plain text. Caret at 0 afterwards.
    virtual void SetTextRTF(std::string_view rtf) = 0;

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
    virtual std::string SelRTF() const = 0;
    virtual Colour SelColor() const = 0;
    virtual void SetSelColor(Colour colour) = 0;
    virtual bool SelStrikeThru() const = 0;
    virtual void SetSelStrikeThru(bool on) = 0;
    // The colour, unstruck, of the next text typed at the selection, without touching the
    // selected text itself (typing replaces it).
    virtual void SetTypingColour(Colour colour) = 0;

    virtual FontSpec Font() const = 0;
    virtual void SetFont(const FontSpec& font) = 0;
    virtual void SetRightMargin(float margin) = 0;  // 3: wrap at the edge; 60000: no wrap

    virtual Pos GetLineFromChar(Pos pos) const = 0;  // line index from 0

    // Replaces the content with a file's bytes (line ends normalised). On failure returns
    // false, sets `error` to the platform's description, and keeps the content.
    virtual bool LoadFile(const std::string& path, std::string& error) = 0;

    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual void SetFocus() = 0;

    // Whole content with its marking and line breaks, and replacing it (no RTF round trip).
    virtual RichText Content() const = 0;
    // The marking alone, as Content().runs gives it (empty: all plain), without copying text.
    virtual std::vector<TextRun> Runs() const = 0;
    virtual void SetContent(const RichText& doc) = 0;

    // Cheap queries for large documents.
    virtual Pos TextLength() const = 0;
    // Counts every change of the text or of its marking: equal numbers, same content.
    virtual std::uint64_t Revision() const = 0;
    // The whole text into `into`, reusing its storage.
    virtual void CopyText(std::string& into) const = 0;
    // True when the text is exactly `other`; leaves the text where it lies, where
    // TextRange(0, TextLength()) may first move most of it.
    virtual bool TextEquals(std::string_view other) const = 0;
    // Bytes [pos, pos+len) clamped to the text; valid until the next change of content.
    virtual std::string_view TextRange(Pos pos, Pos len) const = 0;
    // True when any byte carries strike-through.
    virtual bool HasStrike() const = 0;
    // True when any byte of the selection carries strike-through; asks the marking alone.
    virtual bool SelHasStrike() const = 0;
    // The end of the run of bytes from `pos` that share the colour of the byte at `pos`.
    virtual Pos ColourRunEnd(Pos pos) const = 0;
    // True when the content is shown as UTF-8; otherwise one byte is one Latin-1 character.
    virtual bool IsUtf8() const = 0;

    // Edits of one range that leave the rest of the document, marking and line breaks
    // included, as it is. `bytes` go in exactly as given: they must not leave a lone CR or LF
    // behind; a break they hold is usual.
    virtual void InsertAt(Pos pos, std::string_view bytes, const Marking& marking) = 0;
    virtual void RemoveAt(Pos pos, Pos length) = 0;
    virtual void MarkRange(Pos pos, Pos length, const Marking& marking) = 0;
    // The first change marker at or after `pos`; TextLength() when there is none.
    virtual Pos NextMarker(Pos pos) const = 0;

    // The lines whose break is not the document's usual ending, in line order. Edits keep them
    // with their lines: a break typed, pasted or written by SetText is usual.
    virtual std::vector<LineBreak> LineBreaks() const = 0;
    virtual void SetLineBreaks(const std::vector<LineBreak>& breaks) = 0;

    // A free slot kept with the control (the stored text of the document). Shared, so that a
    // snapshot of an unchanged document need not copy it.
    const std::string& Tag() const { return *tag_; }
    void SetTag(std::string tag) {
        tag_ = std::make_shared<const std::string>(std::move(tag));
        ++tagGeneration_;
    }
    // Counts the stored texts given by SetTag.
    std::uint64_t TagGeneration() const { return tagGeneration_; }
    std::shared_ptr<const std::string> SharedTag() const { return tag_; }

    void SetEvents(SurfaceEvents* events) { events_ = events; }
    void SetEditWatcher(TextEditWatcher* watcher) { editWatcher_ = watcher; }

  protected:
    SurfaceEvents* events() const { return events_; }
    void noteEdit(Pos pos, Pos removed, Pos inserted) const {
        if (editWatcher_) editWatcher_->TextEdited(pos, removed, inserted);
    }

  private:
    std::shared_ptr<const std::string> tag_ = std::make_shared<const std::string>();
    std::uint64_t tagGeneration_ = 0;
    SurfaceEvents* events_ = nullptr;
    TextEditWatcher* editWatcher_ = nullptr;
};

}  // namespace scrivane
