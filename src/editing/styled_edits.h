#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

class RichTextBox;

// Commands that change a few stretches of a document change only those bytes: every other
// byte keeps its marking and every line break the way it is written. They are worked out as
// edits of ranges, then made in place.

// The `removed` bytes at `pos` give way to `inserted`, marked `marking`.
struct RangeEdit {
    Pos pos = 0;
    Pos removed = 0;
    std::string inserted;
    Marking marking;
    bool operator==(const RangeEdit&) const = default;
};

struct StyledEdit {
    std::vector<RangeEdit> edits;  // in the order of the text, none overlapping another
    std::size_t count = 0;         // occurrences replaced, or bytes converted
};

// Every occurrence of `from` in `text` (exact, from the start, not overlapping) replaced by
// `to`, which is marked `colour`, not struck. An empty `from` replaces nothing.
StyledEdit replaceAllStyled(std::string_view text, std::string_view from, std::string_view to,
                            Colour colour);

// At the start of every line (the text's start and after each LF), each of the first
// `maxDepth` characters that are `chold` or `chnew` becomes `chnew`; the first other character
// ends the line's indentation. A converted byte is marked `colour`, unless it is struck
// (deleted text), which keeps its marking. `chold` and `chnew` are not line-break characters.
// `runs` is the marking of `text` (empty: plain).
StyledEdit fixIndentsStyled(std::string_view text, const std::vector<TextRun>& runs, char chold,
                            char chnew, Colour colour, std::size_t maxDepth = 20);

// Makes the edits in the surface, from the last one back, so that every position still means
// what it meant; `progress` hears the share made, now and then.
void applyEdits(RichTextBox& rtb, const std::vector<RangeEdit>& edits,
                const std::function<void(double done)>& progress = {});

}  // namespace scrivane
