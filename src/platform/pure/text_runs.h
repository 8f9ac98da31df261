#pragma once

#include <string_view>
#include <vector>

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
// - when every byte is plain, unstruck and no marker (the empty text included) the run list
//   is empty.
// Two styled texts that look the same on screen are equal once normalised.
RichText normalised(RichText doc);

// Appends `length` bytes of one marking to `runs`, merging with the last run when it has the
// same marking. Empty appends are ignored.
void appendRun(std::vector<TextRun>& runs, std::size_t length, const Marking& marking);
inline void appendRun(std::vector<TextRun>& runs, std::size_t length, Colour colour, bool strike) {
    appendRun(runs, length, Marking{colour, strike});
}

// True when no run marks anything: the text they cover is plain.
bool allPlain(const std::vector<TextRun>& runs);

// The runs with change markers where a marked-up document puts them: each byte 6 that begins
// a coloured run. For marking that carries no marker flags of its own (the RTF reader's, and
// recovery files of the first version).
std::vector<TextRun> withMarkersAtRunStarts(std::string_view text,
                                            const std::vector<TextRun>& runs);

}  // namespace scrivane
