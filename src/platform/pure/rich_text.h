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

// A stretch of text sharing one colour and strike state.
struct TextRun {
    std::size_t length = 0;
    Colour colour = kPlain;
    bool strike = false;
    bool operator==(const TextRun&) const = default;
};

// Document bytes with their on-screen marking. The runs cover the text exactly, in order;
// an empty run list means the whole text is plain.
struct RichText {
    std::string text;
    std::vector<TextRun> runs;
    bool operator==(const RichText&) const = default;
};

}  // namespace scrivane
