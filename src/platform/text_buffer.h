#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// A document's content: its bytes (every line break CR LF), their marking, and how each line
// break is written to the file. Positions are byte offsets from 0; a CR LF pair counts two.
// Implemented by the Qt-free marked text (tests, tools) and by the editing surface over the
// component's own document (the program: the bytes exist once).
// A text as it lies in memory: two runs of bytes, the second often empty, read without moving
// either. Valid until the next change of content or TextRange.
struct TextParts {
    std::string_view first;
    std::string_view second;

    Pos size() const { return static_cast<Pos>(first.size() + second.size()); }
    // Appends the views of bytes [from, to), clamped to the text, to `out`.
    void slice(Pos from, Pos to, std::vector<std::string_view>& out) const {
        const auto split = static_cast<Pos>(first.size());
        from = std::clamp<Pos>(from, 0, size());
        to = std::clamp<Pos>(to, from, size());
        if (from < split) {
            const Pos end = std::min(to, split);
            out.push_back(
                first.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(end - from)));
        }
        if (to > split) {
            const Pos start = std::max(from, split) - split;
            out.push_back(second.substr(static_cast<std::size_t>(start),
                                        static_cast<std::size_t>(to - split - start)));
        }
    }
};

class TextBuffer {
  public:
    virtual ~TextBuffer() = default;

    virtual Pos TextLength() const = 0;
    // Bytes [pos, pos+len) clamped to the text; valid until the next change of content.
    virtual std::string_view TextRange(Pos pos, Pos len) const = 0;
    virtual std::string Text() const = 0;
    // The whole text into `into`, reusing its storage.
    virtual void CopyText(std::string& into) const = 0;
    // True when the text is exactly `other`; leaves the text where it lies, where
    // TextRange(0, TextLength()) may first move most of it.
    virtual bool TextEquals(std::string_view other) const = 0;
    // The whole text where it lies, as TextParts; here, where it lies in one run.
    virtual TextParts Parts() const { return {TextRange(0, TextLength()), {}}; }
    // True when the content is shown as UTF-8; otherwise one byte is one Latin-1 character.
    virtual bool IsUtf8() const = 0;
    virtual Pos GetLineFromChar(Pos pos) const = 0;  // line index from 0

    // Whole content with its marking and line breaks, and replacing it. SetText starts over
    // with the text alone: plain, every break usual, every CR and LF made CR LF.
    virtual RichText Content() const = 0;
    virtual void SetContent(const RichText& doc) = 0;
    virtual void SetText(std::string_view text) = 0;

    // The marking alone, as Content().runs gives it (empty: all plain), without copying text.
    virtual std::vector<TextRun> Runs() const = 0;
    // The marking of [from, to), costing the runs there; empty when all of it is plain.
    virtual std::vector<TextRun> RunsIn(Pos from, Pos to) const = 0;
    // The marking of the byte at `pos` (plain past the end).
    virtual Marking MarkingAt(Pos pos) const = 0;
    // True when any byte carries strike-through.
    virtual bool HasStrike() const = 0;
    // The end of the run of bytes from `pos` that share the colour of the byte at `pos`.
    virtual Pos ColourRunEnd(Pos pos) const = 0;
    // The first change marker at or after `pos`; TextLength() when there is none.
    virtual Pos NextMarker(Pos pos) const = 0;

    // Edits of one range that leave the rest of the document, marking and line breaks
    // included, as it is. `bytes` go in exactly as given: they must not leave a lone CR or LF
    // behind; a break they hold is usual.
    virtual void InsertAt(Pos pos, std::string_view bytes, const Marking& marking) = 0;
    virtual void RemoveAt(Pos pos, Pos length) = 0;
    virtual void MarkRange(Pos pos, Pos length, const Marking& marking) = 0;

    // The lines whose break is not the document's usual ending, in line order. Edits keep them
    // with their lines: a break typed, pasted or written by SetText is usual.
    virtual std::vector<LineBreak> LineBreaks() const = 0;
    virtual void SetLineBreaks(const std::vector<LineBreak>& breaks) = 0;

    // Counts every change of the text or of its marking: equal numbers, same content.
    virtual std::uint64_t Revision() const = 0;
};

}  // namespace scrivane
