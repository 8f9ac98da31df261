#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// One snapshot of the editing surface: its content with colours and strike-through, the
// selection and whether change tracking was on. The text is shared with the stored text
// when they are equal, as right after a file is opened.
struct UndoEntry {
    std::shared_ptr<const std::string> text = std::make_shared<const std::string>();
    std::vector<TextRun> runs;
    Pos selstart = 0;
    Pos sellength = 0;
    bool tracking = false;
};

// One level of undo made of two snapshots that Undo swaps.
struct UndoBuffer {
    std::array<UndoEntry, 2> entries;
    int undoslot = -1;  // slot of the latest snapshot; -1: none, Undo disabled

    bool canUndo() const { return undoslot >= 0; }
};

}  // namespace scrivane
