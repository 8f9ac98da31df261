#include "tracking/undo_buffer.h"

namespace scrivane {

void setundobuffer(UndoBuffer& undo, const RichTextBox& mergedoc, bool tracking) {
    if (undo.undoslot == -1) undo.undoslot = 0;
    UndoEntry& entry = undo.entries[static_cast<std::size_t>(undo.undoslot)];
    // Lengths first: reading the whole text as one range moves the editor's gap.
    const Pos length = mergedoc.TextLength();
    if (static_cast<std::size_t>(length) == mergedoc.Tag().size() &&
        mergedoc.TextRange(0, length) == mergedoc.Tag()) {
        // The own storage stays, prepared for the next snapshot that needs a copy.
        entry.shared = mergedoc.SharedTag();
    } else {
        entry.shared.reset();
        mergedoc.CopyText(entry.own);
    }
    entry.runs = mergedoc.Runs();
    entry.breaks = mergedoc.LineBreaks();
    entry.selstart = mergedoc.SelStart();
    entry.sellength = mergedoc.SelLength();
    entry.tracking = tracking;
}

bool mnuUndo_Click(UndoBuffer& undo, RichTextBox& mergedoc, bool& tracking) {
    if (undo.undoslot == -1) return false;
    mergedoc.SetEnabled(false);  // the change handler ignores the rewrite
    undo.undoslot = 1 - undo.undoslot;
    setundobuffer(undo, mergedoc, tracking);
    undo.undoslot = 1 - undo.undoslot;

    const UndoEntry& entry = undo.entries[static_cast<std::size_t>(undo.undoslot)];
    mergedoc.SetContent(RichText{entry.text(), entry.runs});
    mergedoc.SetLineBreaks(entry.breaks);
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
    std::string& own = undo.entries[static_cast<std::size_t>(undo.undoslot)].own;
    const auto length = static_cast<std::size_t>(mergedoc.TextLength());
    if (own.size() >= length) return false;
    if (own.capacity() < length) own.reserve(length + length / 16 + (std::size_t{1} << 16));
    own.resize(std::min(length, own.size() + step));
    return own.size() < length;
}

void resetUndo(UndoBuffer& undo, const RichTextBox& mergedoc) {
    setundobuffer(undo, mergedoc, false);
    undo.undoslot = -1;
}

}  // namespace scrivane
