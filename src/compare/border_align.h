#pragma once

#include <string_view>
#include <vector>

#include "compare/block.h"

namespace scrivane {

// Final pass: no change border may fall inside a character. A CR LF pair is one character in
// every text (the editing surface never holds a lone CR or LF, so a marker or a colour change
// between the two would become a line break of its own); when the new text is valid UTF-8, so
// is every multi-byte sequence. The chunk passes cut at byte positions, so a matched stretch
// can begin or end in the middle of either. Below, "continuation byte" means a byte that does
// not start a character: a UTF-8 continuation (10xxxxxx) in UTF-8 text, or the LF of a pair.
//
// What it does, on the chains as the chunk passes leave them:
// - An unchanged stretch is a run of matched pairs that follow each other in both texts with
//   nothing shown between them. Its bytes are the same in both texts.
// - Each stretch shrinks to whole characters: its start moves forward past continuation bytes,
//   its end moves back until the byte after it starts a character in the new text
//   and in the old text alike (or the text ends). A stretch with no whole character left is
//   dissolved. Inside a stretch, each border between two pairs moves forward to the next
//   character start, so every matched pair starts and ends on a character border of both
//   texts.
// - Between two surviving stretches lies a changed region: new bytes [x, y) and old bytes
//   [xo, yo). When a neighbouring stretch gave bytes up, a stretch inside it dissolved, or one
//   of its own change borders lies inside a character, the region becomes one inserted block
//   for [x, y) (an empty one when x == y) with one deleted partner for [xo, yo) (none when
//   xo == yo); its first inserted / deleted block, or else its first block, is reused, or a
//   block is added in its place in the chain, and the region's other blocks are emptied.
//   Other regions are left as they are.
// The chains still give back both texts exactly, and the new text has no colour change or
// marker inside a character. Returns false, leaving the blocks untouched, when the chains are
// not laid out as the comparison makes them.
bool alignborders(std::vector<Block>& blocks, std::string_view docnew, std::string_view docold);

}  // namespace scrivane
