#pragma once

#include <string>
#include <string_view>

#include "compare/compare_engine.h"

namespace scrivane::compare_tool {

// How the ansi format shows each kind of run: with terminal colours, or with the bracket
// marks a reader or a later program can tell apart in plain text.
struct RunMarks {
    std::string_view open, close;
};
struct AnsiStyle {
    RunMarks inserted, deleted;
};
inline constexpr AnsiStyle kColours{{"\x1b[34m", "\x1b[0m"}, {"\x1b[31;9m", "\x1b[0m"}};
inline constexpr AnsiStyle kBrackets{{"{+", "+}"}, {"[-", "-]"}};

// The text of the last comparison of `docnew` with `docold` in `engine`: CR LF as LF, each
// changed run between its marks, ending in a line break.
std::string ansiText(const CompareEngine& engine, std::string_view docnew, std::string_view docold,
                     const AnsiStyle& style);

}  // namespace scrivane::compare_tool
