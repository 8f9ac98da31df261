#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/rich_text_box.h"

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

// Takes a snapshot into the current slot.
void setundobuffer(UndoBuffer& undo, const RichTextBox& mergedoc, bool tracking);

// Swaps the document with the latest snapshot; the replaced state becomes the snapshot.
// `tracking` is the Track Changes check mark, restored from the snapshot. Returns false
// when there was nothing to undo.
bool mnuUndo_Click(UndoBuffer& undo, RichTextBox& mergedoc, bool& tracking);

// After New: a snapshot of the empty document, then no Undo.
void resetUndo(UndoBuffer& undo, const RichTextBox& mergedoc);

}  // namespace scrivane
