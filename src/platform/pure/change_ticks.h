#pragma once

#include <functional>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// A marked run as the strip beside the scrollbar shows it.
struct ChangeTick {
    Pos line = 0;          // the line the run starts on, from 0
    Pos start = 0;         // where a click on the tick puts the caret: the run's first byte
    bool deleted = false;  // red and struck rather than blue
    bool operator==(const ChangeTick&) const = default;
};

// One tick per marked run of `runs` (which cover the text from 0), in document order. A
// marker shares the tick of the coloured run it begins; a marker left alone has one of its
// own, placed after it. `lineOf` gives the line of a position. Costs the number of runs.
std::vector<ChangeTick> changeTicks(const std::vector<TextRun>& runs,
                                    const std::function<Pos(Pos)>& lineOf);

// The row, in a strip `height` rows high, of a tick on line `line` of a text of `lineCount`
// lines: each line has its share of the height.
int tickRow(Pos line, Pos lineCount, int height);

// The tick a click on row `y` goes to: the nearest within `slack` rows (the first of those
// as near), or -1 when none is that near.
int tickAt(const std::vector<ChangeTick>& ticks, Pos lineCount, int height, int y, int slack);

}  // namespace scrivane
