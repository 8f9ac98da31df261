#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// Edits of a whole styled text that change only the bytes they are about: every other byte
// keeps its colour and strike-through. Results are normalised (see text_runs.h).

struct StyledEdit {
    RichText doc;           // the new content; only meaningful when count > 0
    std::size_t count = 0;  // occurrences replaced, or bytes converted
};

// Every occurrence of `from` in `text` (exact, from the start, not overlapping) replaced by
// `to`, which is marked `colour`, not struck. `runs` is the marking of `text` (empty: plain).
// An empty `from` replaces nothing.
StyledEdit replaceAllStyled(std::string_view text, const std::vector<TextRun>& runs,
                            std::string_view from, std::string_view to, Colour colour);

// At the start of every line (the text's start and after each LF), each of the first
// `maxDepth` characters that are `chold` or `chnew` becomes `chnew`; the first other character
// ends the line's indentation. A converted byte is marked `colour`, unless it is struck
// (deleted text), which keeps its marking. `chold` and `chnew` are not line-break characters.
StyledEdit fixIndentsStyled(std::string_view text, const std::vector<TextRun>& runs, char chold,
                            char chnew, Colour colour, std::size_t maxDepth = 20);

}  // namespace scrivane
