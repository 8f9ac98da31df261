#include "tracking/edit_menu.h"

namespace scrivane {

EditMenuState mnuEdit_Click(const EditMenuInputs& in) {
    EditMenuState st;
    st.paste = !in.clipboard.empty();
    std::string shown = in.clipboard;
    if (shown.size() > 10) shown = shown.substr(0, 10) + "...";
    if (!shown.empty()) st.pasteCaption += " \"" + shown + "\"";
    st.cutCopy = in.selLength > 0;
    st.selectAll = !in.textEmpty;
    st.undo = in.canUndo;
    st.gotoLine = in.linecount > 1;
    return st;
}

void mnuCopy_Click(RichTextBox& rtb, Services& services) {
    const std::string sel = rtb.SelText();
    if (!sel.empty()) services.SetClipboardText(sel);
}

void mnuCut_Click(RichTextBox& rtb, Services& services) {
    const std::string sel = rtb.SelText();
    if (sel.empty()) return;
    services.SetClipboardText(sel);
    rtb.SetSelText("");
}

void mnuPaste_Click(RichTextBox& rtb, Services& services) {
    rtb.SetSelText(services.ClipboardText());
}

}  // namespace scrivane
