#pragma once

#include "platform/pure/rich_text.h"

namespace scrivane {

// Colours are 24-bit (red in the low byte); the byte above is not kept.
inline constexpr Colour kColourMask = 0xFFFFFF;

// The colour part of a colour value.
inline Colour rgbOf(Colour c) {
    return c & kColourMask;
}

// The canonical form of a styled text, the one the RTF reader returns:
// - runs cover the text exactly: a run list that is too short is padded with plain text,
//   one that is too long is cut at the end of the text;
// - colours are masked to 24 bits;
// - no run is empty and no two neighbouring runs are equal (they are merged);
// - when every byte is plain and unstruck (the empty text included) the run list is empty.
// Two styled texts that look the same on screen are equal once normalised.
RichText normalised(RichText doc);

// Appends `length` bytes of style (colour, strike) to `runs`, merging with the last run when
// it has the same style. Empty appends are ignored.
void appendRun(std::vector<TextRun>& runs, std::size_t length, Colour colour, bool strike);

}  // namespace scrivane
