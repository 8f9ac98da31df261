#include "tracking/edit_menu.h"
#include "tracking/read_only.h"

#include "platform/pure/encoding.h"
#include "tracking/undo_buffer.h"

namespace scrivane {
namespace {

constexpr std::size_t kPasteShown = 10;  // characters of the clipboard shown in the caption

std::string quoted(std::string_view text) {
    return text.empty() ? std::string() : " \"" + literalCaption(text) + "\"";
}

}  // namespace

std::string literalCaption(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '&') {
            out += "&&";
        } else if (c == '\t') {
            out += "\xE2\x86\x92";  // a tab would split the caption from its shortcut
        } else {
            out.push_back(c);
        }
    }
    return out;
}

EditMenuState mnuEdit_Click(const EditMenuInputs& in) {
    EditMenuState st;
    st.paste = !in.clipboard.empty();
    std::string shown = in.clipboard;
    if (utf8Length(shown) > kPasteShown)
        shown = shown.substr(0, utf8Prefix(shown, kPasteShown)) + "...";
    st.pasteCaption += quoted(shown);
    st.cutCopy = in.selLength > 0;
    st.find = !in.textEmpty;
    st.findNextCaption += quoted(in.findtext);
    st.findPreviousCaption += quoted(in.findtext);
    st.unstrike = in.selHasStrike;
    st.undo = in.canUndo;
    st.gotoLine = in.linecount > 1;
    return st;
}

std::string clipboardText(const Workspace& ws, std::string_view selected) {
    return documentToUtf8(fromCrLf(selected, ws.doc.lineEnds), ws.mergedoc.IsUtf8());
}

void mnuCopy_Click(Workspace& ws) {
    const std::string sel = ws.mergedoc.SelText();
    if (!sel.empty()) ws.services.SetClipboardText(clipboardText(ws, sel));
}

void mnuCut_Click(Workspace& ws) {
    if (refuseEdit(ws)) return;
    const std::string sel = ws.mergedoc.SelText();
    if (sel.empty()) return;
    setundobuffer(ws.undo, ws.mergedoc, ws.doc.stored, ws.trackChanges);
    ws.services.SetClipboardText(clipboardText(ws, sel));
    ws.mergedoc.SetSelText("");
    ws.view.ArmTimer();
}

}  // namespace scrivane
