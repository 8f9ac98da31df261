#include "tracking/undo_buffer.h"

namespace scrivane {

void setundobuffer(UndoBuffer& undo, const RichTextBox& mergedoc, const StoredText& stored,
                   bool tracking) {
    if (undo.undoslot == -1) undo.undoslot = 0;
    UndoEntry& entry = undo.entries[static_cast<std::size_t>(undo.undoslot)];
    if (holdsStored(mergedoc, stored)) {
        // The own storage stays, prepared for the next snapshot that needs a copy.
        entry.shared = stored.version();
    } else {
        entry.shared = {};
        mergedoc.CopyText(entry.own);
        entry.ownLength = entry.own.size();
    }
    entry.runs = mergedoc.Runs();
    entry.breaks = mergedoc.LineBreaks();
    entry.selstart = mergedoc.SelStart();
    entry.sellength = mergedoc.SelLength();
    entry.tracking = tracking;
    entry.revision = mergedoc.Revision();
}

bool mnuUndo_Click(UndoBuffer& undo, RichTextBox& mergedoc, const StoredText& stored,
                   bool& tracking) {
    if (undo.undoslot == -1) return false;
    mergedoc.SetEnabled(false);  // the change handler ignores the rewrite
    undo.undoslot = 1 - undo.undoslot;
    setundobuffer(undo, mergedoc, stored, tracking);
    undo.undoslot = 1 - undo.undoslot;

    const UndoEntry& entry = undo.entries[static_cast<std::size_t>(undo.undoslot)];
    mergedoc.SetContent(RichText{entry.text(), entry.runs, entry.breaks});
    mergedoc.SetSelStart(entry.selstart);
    mergedoc.SetSelLength(entry.sellength);
    tracking = entry.tracking;

    mergedoc.SetEnabled(true);
    mergedoc.SetFocus();
    undo.undoslot = 1 - undo.undoslot;
    return true;
}

bool warmUndoSlot(UndoBuffer& undo, const RichTextBox& mergedoc, std::size_t step) {
    if (undo.undoslot < 0) return false;
    UndoEntry& entry = undo.entries[static_cast<std::size_t>(undo.undoslot)];
    // A document still as its snapshot shared with the stored text would share it again: its
    // first change starts the preparing, and a file just opened costs no second copy.
    if (entry.shared && mergedoc.Revision() == entry.revision) return false;
    // Grows the storage only: the snapshot in it keeps its length.
    std::string& own = entry.own;
    const auto length = static_cast<std::size_t>(mergedoc.TextLength());
    if (own.size() >= length) return false;
    if (own.capacity() < length) own.reserve(length + length / 16 + (std::size_t{1} << 16));
    own.resize(std::min(length, own.size() + step));
    return own.size() < length;
}

void resetUndo(UndoBuffer& undo, const RichTextBox& mergedoc, const StoredText& stored) {
    setundobuffer(undo, mergedoc, stored, false);
    undo.undoslot = -1;
}

}  // namespace scrivane
