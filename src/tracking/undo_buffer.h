#pragma once

#include "document/stored_text.h"
#include "document/undo_entry.h"
#include "platform/rich_text_box.h"

namespace scrivane {

// Takes a snapshot into the current slot; a document equal to the stored text shares it.
void setundobuffer(UndoBuffer& undo, const RichTextBox& mergedoc, const StoredText& stored,
                   bool tracking);

// Swaps the document with the latest snapshot; the replaced state becomes the snapshot.
// `tracking` is the Track Changes check mark, restored from the snapshot. Returns false
// when there was nothing to undo.
bool mnuUndo_Click(UndoBuffer& undo, RichTextBox& mergedoc, const StoredText& stored,
                   bool& tracking);

// Prepares the storage of the slot the next snapshot goes into: grows it toward the
// document's size by at most `step` bytes and touches them, so that the snapshot copies into
// memory that is already there instead of paying for fresh pages while a key waits. Nothing
// while the document is as its latest snapshot that shares the stored text. True while there
// is more to prepare.
bool warmUndoSlot(UndoBuffer& undo, const RichTextBox& mergedoc, std::size_t step);

// After New: a snapshot of the empty document, then no Undo.
void resetUndo(UndoBuffer& undo, const RichTextBox& mergedoc, const StoredText& stored);

}  // namespace scrivane
