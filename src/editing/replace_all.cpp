#include "editing/replace_all.h"

namespace scrivane {

std::size_t cmdReplaceAll_Click(Workspace& ws, SearchBarView& bar,
                                const std::function<void()>& beforeChange) {
    RichTextBox& rtb = ws.mergedoc;
    const Encoding encoding = documentEncoding(rtb);
    const auto from = searchBytes(bar.FindText(), encoding, true);
    if (!from || from->empty()) return 0;
    const std::string to = toDocumentBytes(bar.ReplaceText(), encoding);
    WorkProgress progress(ws.services, "Replacing", WorkProgress::Escape::Ignored);
    progress.tell(0);
    const StyledEdit edit =
        replaceAllStyled(rtb.TextRange(0, rtb.TextLength()), *from, to, typingColour(ws));
    return applyStyledEdit(ws, edit, beforeChange, progress);
}

std::size_t applyStyledEdit(Workspace& ws, const StyledEdit& edit,
                            const std::function<void()>& beforeChange, WorkProgress& progress) {
    if (edit.count == 0) return 0;
    if (beforeChange) beforeChange();
    RichTextBox& rtb = ws.mergedoc;
    // The change handler keeps still while the edits are made, and so does whatever the
    // progress lets run in between (it waits for an enabled surface).
    rtb.SetEnabled(false);
    applyEdits(rtb, edit.edits, [&progress](double done) { progress.tell(done); });
    rtb.SetEnabled(true);
    rtb.SetSelStart(0);
    // The caret is back at the start: whatever was selected is no match to replace any more.
    ws.search.findok = false;
    ws.view.ArmTimer();
    return edit.count;
}

}  // namespace scrivane
