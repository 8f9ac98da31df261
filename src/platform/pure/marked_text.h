#pragma once

#include <algorithm>

#include "platform/pure/document_marks.h"
#include "platform/pure/run_styles.h"
#include "platform/pure/split_vector.h"
#include "platform/text_buffer.h"

namespace scrivane {

// A marked document as a value of its own, no editing component needed: the bytes in a
// buffer with a gap where the last edit was, and their marks. Every range operation costs the
// range and the runs it touches, not the document.
class MarkedText final : public TextBuffer {
  public:
    MarkedText() = default;
    explicit MarkedText(const RichText& doc) { SetContent(doc); }

    Pos TextLength() const override { return bytes_.size(); }
    std::string_view TextRange(Pos pos, Pos len) const override;
    std::string Text() const override;
    void CopyText(std::string& into) const override;
    bool TextEquals(std::string_view other) const override;
    bool IsUtf8() const override { return utf8_; }
    Pos GetLineFromChar(Pos pos) const override;

    RichText Content() const override;
    void SetContent(const RichText& doc) override;
    void SetText(std::string_view text) override;

    std::vector<TextRun> Runs() const override;
    std::vector<TextRun> RunsIn(Pos from, Pos to) const override;
    Marking MarkingAt(Pos pos) const override { return marks_.markingAt(pos); }
    bool HasStrike() const override;
    Pos ColourRunEnd(Pos pos) const override;
    Pos NextMarker(Pos pos) const override;

    void InsertAt(Pos pos, std::string_view bytes, const Marking& marking) override;
    void RemoveAt(Pos pos, Pos length) override;
    void MarkRange(Pos pos, Pos length, const Marking& marking) override;

    std::vector<LineBreak> LineBreaks() const override;
    void SetLineBreaks(const std::vector<LineBreak>& breaks) override;

    std::uint64_t Revision() const override { return revision_; }

    // Every change marker and struck run in [pos, pos+length) goes, the rest becomes plain:
    // the changes there are accepted.
    void AcceptRange(Pos pos, Pos length);

  private:
    Pos clamp(Pos pos) const { return std::clamp<Pos>(pos, 0, TextLength()); }
    // The line starts follow an edit: each LF ends a line.
    void linesInserted(Pos pos, std::string_view bytes);
    void linesRemoved(Pos pos, Pos length);

    mutable SplitVector<char> bytes_;
    Partitioning lines_;  // line i: [start(i), start(i + 1)), its LF last
    DocumentMarks marks_;
    bool utf8_ = true;
    std::uint64_t revision_ = 0;
};

}  // namespace scrivane
