#include "editing/indentation.h"

#include "editing/replace_all.h"
#include "editing/styled_edits.h"

namespace scrivane {

std::string_view leadingIndent(std::string_view lineAbove) {
    const std::size_t end = lineAbove.find_first_not_of(" \t");
    return lineAbove.substr(0, end == std::string_view::npos ? lineAbove.size() : end);
}

void mnuIndent_Click(Workspace& ws) {
    ws.settings.autoIndent = !ws.settings.autoIndent;
    ws.view.OptionsChanged();
}

std::size_t fixindents(Workspace& ws, char chold, char chnew,
                       const std::function<void()>& beforeChange) {
    RichTextBox& rtb = ws.mergedoc;
    WorkProgress progress(ws.services, "Fixing indents", WorkProgress::Escape::Ignored);
    progress.tell(0);
    const StyledEdit edit = fixIndentsStyled(rtb.TextRange(0, rtb.TextLength()), rtb.Runs(), chold,
                                             chnew, typingColour(ws));
    return applyStyledEdit(ws, edit, beforeChange, progress);
}

std::size_t mnuFixIndents_Click(Workspace& ws, const std::function<void()>& beforeChange) {
    return fixindents(ws, ' ', '\t', beforeChange);
}

}  // namespace scrivane
