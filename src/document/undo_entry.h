#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/stored_text.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text.h"

namespace scrivane {

// One snapshot of the editing surface: its content with colours and strike-through, the
// line breaks the file wrote otherwise than usual, the selection and whether change tracking
// was on. The text is the stored text's when they are equal, as right after a file is opened.
struct UndoEntry {
    // The text: that version of the stored text when they are equal, else the first
    // `ownLength` bytes of `own`. The bytes of `own` beyond them are room prepared for the
    // next snapshot into this slot, never part of this one.
    StoredText::Version shared;
    std::string own;
    std::size_t ownLength = 0;
    std::vector<TextRun> runs;
    std::vector<LineBreak> breaks;  // how the breaks not written the usual way were written
    Pos selstart = 0;
    Pos sellength = 0;
    bool tracking = false;
    std::uint64_t revision = 0;  // the surface's revision when the snapshot was taken

    std::string text() const { return shared ? shared.copy() : own.substr(0, ownLength); }
};

// One level of undo made of two snapshots that Undo swaps.
struct UndoBuffer {
    std::array<UndoEntry, 2> entries;
    int undoslot = -1;  // slot of the latest snapshot; -1: none, Undo disabled

    bool canUndo() const { return undoslot >= 0; }
};

}  // namespace scrivane
