#include "app/startup.h"
#include "tracking/undo_buffer.h"

#include "app/command_line.h"
#include "app/menu_commands.h"
#include "app/opening.h"
#include "app/settings_store.h"
#include "navigate/char_boundary.h"
#include "navigate/goto_line.h"
#include "tracking/marked_position.h"
#include "tracking/track_changes.h"

namespace scrivane {

namespace {

// Whether anything of that name exists, relative names from the current directory, as
// openfile will look for it (the name itself, with no wildcard matching).
bool fileExists(Services& services, const std::string& name) {
    if (name.empty()) return false;
    std::string path = name;
    if (path.front() != '/') {
        std::string dir = services.CurrentDir();
        if (!dir.empty() && dir.back() == '/') dir.pop_back();
        path = dir + "/" + path;
    }
    return services.FileModified(path).has_value();
}

// Puts the caret at character `column` (from 1) of the line gotoline selected.
void gotoColumnOfSelectedLine(Workspace& ws, Pos column) {
    const Pos start = ws.mergedoc.SelStart();
    const std::string_view line = ws.mergedoc.TextRange(start, ws.mergedoc.SelLength());
    textgotochar(ws.mergedoc, start + columnOffset(line, column, ws.mergedoc.IsUtf8()), 0);
    ws.view.ArmTimer();
}

// --compare: the document just opened against the file `old`, as Compare to... compares it.
// The place the command line asked for keeps its text; without one the caret goes to the
// first change.
void compareOpenedWith(Workspace& ws, const std::string& old, bool placeAsked) {
    RichTextBox& rtb = ws.mergedoc;
    const Pos start = rtb.SelStart();
    const Pos end = start + rtb.SelLength();
    if (!compareWithFile(ws, resolveOpenPath(ws.services, old))) return;
    if (placeAsked) {
        const std::vector<TextRun> runs = rtb.Runs();
        const Pos from = markedPosition(runs, start, Side::After);
        rtb.SelectInContext(from, std::max(from, markedPosition(runs, end, Side::Before)) - from);
    } else {
        const Pos marker = rtb.NextMarker(0);
        rtb.SelectInContext(marker < rtb.TextLength() ? marker + 1 : 0, 0);
    }
    ws.view.ArmTimer();
}

}  // namespace

void formLoad(Workspace& ws) {
    ws.undo.undoslot = -1;
    ws.settings.recentList.clear();
    loadSettings(ws);
    ws.view.SetCaption(std::string(kProgramName) + " " + kVersion);
    ws.view.ArmTimer();
    if (!ws.arguments.empty()) return;
    const auto items = recentMenuItems(ws.settings.recentList);
    if (items.empty() || items.front().tag.empty()) return;
    const std::string dir = dirof(items.front().tag);
    if (!dir.empty()) ws.services.SetCurrentDir(dir);
}

void formActivate(Workspace& ws) {
    if (ws.commandLineHandled) return;
    ws.commandLineHandled = true;
    const auto compare = compareRequest(ws.arguments);
    const auto request =
        parseCommandLine(compare ? compare->open : ws.arguments,
                         [&](const std::string& name) { return fileExists(ws.services, name); });
    if (!request) {
        ws.view.DocumentOpened();
        return;
    }
    openfile(ws, request->fileName);
    switch (request->mode) {
        case GotoMode::Char:
            // A negative position is refused: the caret stays at the end, where it goes first.
            textgotochar(ws.mergedoc,
                         request->number >= 0 ? charBoundaryAtOrBefore(ws.mergedoc, request->number)
                                              : ws.mergedoc.TextLength(),
                         0);
            break;
        case GotoMode::Line:
            ws.view.SetGotoText(request->tail);
            cmdGoto_Click(ws);
            if (request->column > 0) gotoColumnOfSelectedLine(ws, request->column);
            break;
        case GotoMode::None:
            break;
    }
    // A NEW that did not open is reported by openfile: there is nothing to compare then.
    if (compare && !ws.doc.filename.empty()) {
        compareOpenedWith(ws, compare->old, request->mode != GotoMode::None);
    }
    ws.mergedoc.SetFocus();
}

bool formUnload(Workspace& ws) {
    saveSettings(ws);
    if (!querysave(ws)) return false;
    ws.view.DocumentClosed();
    return true;
}

void mnuNew_Click(Workspace& ws) {
    if (!formUnload(ws)) return;
    ws.mergedoc.SetEnabled(false);
    ws.mergedoc.SetText("");
    ws.mergedoc.SetEnabled(true);
    ws.doc.stored.set("");
    ws.doc = DocumentState{};
    ws.trackChanges = false;
    ws.view.SetStatusLabel("");
    formLoad(ws);
    resetUndo(ws.undo, ws.mergedoc, ws.doc.stored);
    ws.keys.typingrun = false;
    ws.view.OptionsChanged();
    ws.mergedoc.SetFocus();
}

}  // namespace scrivane
