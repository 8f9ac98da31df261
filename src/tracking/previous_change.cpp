#include "tracking/previous_change.h"

#include "tracking/track_changes.h"

namespace scrivane {

Pos previousMarker(const TextBuffer& doc, Pos pos) {
    if (pos <= 0) return -1;
    const std::vector<TextRun> runs = doc.RunsIn(0, pos);
    Pos end = 0;
    for (const TextRun& run : runs) end += static_cast<Pos>(run.length);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        // A run of markers ends in the last one.
        if (run->marker) return end - 1;
        end -= static_cast<Pos>(run->length);
    }
    return -1;
}

void findpreviouschange(Workspace& ws, bool irestart) {
    RichTextBox& rtb = ws.mergedoc;
    if (irestart) rtb.SetSelStart(rtb.TextLength());
    if (!ws.trackChanges) mnuTrackChanges_Click(ws);
    const Pos length = rtb.TextLength();
    // The marker just before the caret is that of the change the caret stands at, passed
    // over as Next Change passes over the character at the caret; from the end, none is.
    const Pos marker = previousMarker(rtb, irestart ? length : rtb.SelStart() - 1);
    if (marker < 0) {
        // None anywhere: the caret ends at the end, as Next Change leaves it at the top.
        if (irestart) rtb.SetSelStart(length);
        if (!irestart) findpreviouschange(ws, true);
        return;
    }
    selectChangeAt(ws, marker + 1);
}

}  // namespace scrivane
