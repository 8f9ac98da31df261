#include "app/startup.h"
#include "tracking/undo_buffer.h"

#include "app/command_line.h"
#include "app/menu_commands.h"
#include "app/opening.h"
#include "app/settings_store.h"

namespace scrivane {

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
    const auto request = parseCommandLine(ws.arguments);
    if (!request) {
        ws.view.DocumentOpened();
        return;
    }
    openfile(ws, request->fileName);
    switch (request->mode) {
        case GotoMode::Char:
            // Show the end first, so that the caret's place is scrolled into view from there.
            ws.mergedoc.SetSelStart(ws.mergedoc.TextLength());
            ws.mergedoc.SetSelStart(request->number);
            ws.mergedoc.SetSelLength(0);
            break;
        case GotoMode::Line:
            ws.view.SetGotoText(request->tail);
            cmdGoto_Click(ws);
            break;
        case GotoMode::None:
            break;
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
    ws.mergedoc.SetTag("");
    ws.doc = DocumentState{};
    ws.trackChanges = false;
    ws.view.SetStatusLabel("");
    formLoad(ws);
    resetUndo(ws.undo, ws.mergedoc);
    ws.keys.typingrun = false;
    ws.view.OptionsChanged();
    ws.mergedoc.SetFocus();
}

}  // namespace scrivane
