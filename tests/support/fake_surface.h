#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/pure/marked_text.h"
#include "platform/pure/selection_editing.h"
#include "platform/rich_text_box.h"

namespace scrivane {

// An editing surface with no toolkit: the marked text as a value, a selection, and keys that
// do what the editing component does with a key its handlers let through (typing, Enter, Tab,
// Backspace and Delete with their Ctrl and Shift forms, caret keys). Changes reach the
// handlers as the surface sends them: one Change per insertion or removal, for the surface's
// own writes when the outermost write ends, for a key once its edit is complete and before the
// key is released. Lines are lines of text: no wrapping, nothing scrolls. The keys that
// surface_agreement_test.cpp presses agree with the component's; Up, Down and the Page keys keep
// the byte column where the component keeps the caret's x, and Ctrl+Backspace and Ctrl+Delete
// over a selection only come close.
class FakeSurface final : public RichTextBox, private SelectionPlace {
  public:
    FakeSurface() : selection_(*this, *this) {}
    FakeSurface(const FakeSurface&) = delete;
    FakeSurface& operator=(const FakeSurface&) = delete;

    // A key as the user presses and releases it: `code` and `shiftBits` as in key:: and shift::;
    // `typed` is the character it types (0 for none; UTF-8 or Latin-1 as the text is shown).
    void press(int code, int shiftBits = 0, char32_t typed = 0);
    // Types each character of `utf8` with its own key.
    void typeKeys(std::string_view utf8);

    int focusRequests() const { return focusRequests_; }
    bool wrapped() const { return wrapped_; }

    // TextBuffer
    Pos TextLength() const override { return text_.TextLength(); }
    std::string_view TextRange(Pos pos, Pos len) const override {
        return text_.TextRange(pos, len);
    }
    std::string Text() const override { return text_.Text(); }
    void CopyText(std::string& into) const override { text_.CopyText(into); }
    bool TextEquals(std::string_view other) const override { return text_.TextEquals(other); }
    bool IsUtf8() const override { return text_.IsUtf8(); }
    Pos GetLineFromChar(Pos pos) const override { return text_.GetLineFromChar(pos); }
    RichText Content() const override { return text_.Content(); }
    void SetContent(const RichText& doc) override;
    void SetText(std::string_view text) override;
    std::vector<TextRun> Runs() const override { return text_.Runs(); }
    std::vector<TextRun> RunsIn(Pos from, Pos to) const override { return text_.RunsIn(from, to); }
    Marking MarkingAt(Pos pos) const override { return text_.MarkingAt(pos); }
    bool HasStrike() const override { return text_.HasStrike(); }
    Pos ColourRunEnd(Pos pos) const override { return text_.ColourRunEnd(pos); }
    Pos NextMarker(Pos pos) const override { return text_.NextMarker(pos); }
    void InsertAt(Pos pos, std::string_view bytes, const Marking& marking) override;
    void RemoveAt(Pos pos, Pos length) override;
    void MarkRange(Pos pos, Pos length, const Marking& marking) override;
    std::vector<LineBreak> LineBreaks() const override { return text_.LineBreaks(); }
    void SetLineBreaks(const std::vector<LineBreak>& breaks) override;
    std::uint64_t Revision() const override { return text_.Revision(); }

    // TextView
    Pos SelStart() const override { return selection_.start(); }
    void SetSelStart(Pos pos) override;
    Pos SelLength() const override { return selection_.end() - selection_.start(); }
    void SetSelLength(Pos len) override;
    void SelectInContext(Pos start, Pos length) override;
    std::string SelText() const override { return selection_.SelText(); }
    void SetSelText(std::string_view text) override;
    Colour SelColor() const override { return selection_.SelColor(); }
    void SetSelColor(Colour colour) override { selection_.SetSelColor(colour); }
    bool SelStrikeThru() const override { return selection_.SelStrikeThru(); }
    void SetSelStrikeThru(bool on) override { selection_.SetSelStrikeThru(on); }
    bool SelHasStrike() const override { return selection_.SelHasStrike(); }
    void SetTypingColour(Colour colour) override { selection_.SetTypingColour(colour); }
    FontSpec Font() const override { return font_; }
    void SetFont(const FontSpec& font) override { font_ = font; }
    void SetRightMargin(float margin) override { wrapped_ = margin <= 100.0f; }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool on) override { enabled_ = on; }
    void SetFocus() override { ++focusRequests_; }

    // RichTextBox
    bool LoadFile(const std::string& path, std::string& error) override;
    std::unique_ptr<PendingText> StartText(std::uint64_t expected, bool readOnly) override;
    void TakeText(std::unique_ptr<PendingText> text, const std::vector<LineBreak>& breaks) override;
    bool ReadOnly() const override { return readOnly_; }

  private:
    // Writes whose changes are announced when the outermost one ends.
    class WriteScope;

    // SelectionPlace
    Pos anchor() const override { return anchor_; }
    Pos caret() const override { return caret_; }
    void select(Pos anchor, Pos caret) override;

    Pos clamp(Pos pos) const { return std::clamp<Pos>(pos, 0, TextLength()); }
    // Character steps: a CR LF pair and a UTF-8 sequence are one character.
    Pos nextChar(Pos pos) const;
    Pos previousChar(Pos pos) const;
    Pos lineStart(Pos pos) const;
    Pos lineEnd(Pos pos) const;  // before the line's break
    int classAt(Pos pos) const;
    Pos wordEnd(Pos pos) const;
    Pos wordStart(Pos pos) const;

    // What the editing component does with a key the handlers let through.
    void defaultAction(int code, int shiftBits, char32_t typed);
    void moveCaret(int code, int shiftBits);
    // Replaces [from, to) with typed bytes in the marking typed text takes, as typing does.
    void typeOver(Pos from, Pos to, std::string_view bytes, const Marking& marking);
    void deliverChanges();

    MarkedText text_;
    SelectionEditing selection_;
    Pos anchor_ = 0;
    Pos caret_ = 0;
    FontSpec font_;
    bool enabled_ = true;
    bool wrapped_ = true;
    bool readOnly_ = false;
    int focusRequests_ = 0;
    int writeDepth_ = 0;
    int pendingChanges_ = 0;
};

}  // namespace scrivane
