#pragma once

#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// Where a place in the real text (struck runs and markers left out) lies in the marked
// document the runs describe. A place between kept bytes that has struck text or markers
// between them has two answers: `Side::Before` gives the one before them (the end of a
// selection), `Side::After` the one after them (a caret or the start of a selection).
// Costs the number of runs.
enum class Side { Before, After };
Pos markedPosition(const std::vector<TextRun>& runs, Pos realPos, Side side);

}  // namespace scrivane
