#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scrivane {

// Colours as the surface reports them: red in the low byte.
using Colour = std::uint32_t;
inline constexpr Colour kPlain = 0;
inline constexpr Colour kDeletedRed = 255;
inline constexpr Colour kInsertedBlue = 16711680;
// What a surface reports as the colour of a selection holding more than one colour.
inline constexpr Colour kMixedColour = 0xFFFFFFFFu;

// Position in a document: a byte offset from 0 (CR LF counts as two).
using Pos = std::int64_t;

struct FontSpec {
    std::string name = "Monospace";
    double size = 10;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec&) const = default;
};

// How bytes are marked on screen. A marker is a byte 6 that a comparison wrote at the start of
// a changed run: it is no part of the document. A byte 6 the file holds is text like any other.
struct Marking {
    Colour colour = kPlain;
    bool strike = false;  // deleted text
    bool marker = false;
    bool operator==(const Marking&) const = default;
};

// A stretch of text sharing one marking.
struct TextRun {
    std::size_t length = 0;
    Colour colour = kPlain;
    bool strike = false;
    bool marker = false;
    Marking marking() const { return {colour, strike, marker}; }
    bool operator==(const TextRun&) const = default;
};

// How one line break of a file was written. `Usual` is the file's most used ending, which
// typed and pasted breaks take too.
enum class LineEnd : std::uint8_t { Usual = 0, CrLf, Lf, Cr };

// A line (from 0) whose break is written otherwise than the file's usual ending.
struct LineBreak {
    Pos line = 0;
    LineEnd end = LineEnd::Usual;
    bool operator==(const LineBreak&) const = default;
};

// A document as the editor holds it: bytes with every line break CR LF, their on-screen
// marking, and how each break is written to the file. The runs cover the text exactly, in
// order, an empty run list meaning that the whole text is plain; the breaks list the lines
// whose break is not the usual one, in line order. Every write of a whole document takes all
// three, so that no path can drop the marking or the file's line breaks.
struct RichText {
    std::string text;
    std::vector<TextRun> runs = {};
    std::vector<LineBreak> breaks = {};
    bool operator==(const RichText&) const = default;
};

}  // namespace scrivane
