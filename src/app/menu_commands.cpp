#include "app/menu_commands.h"
#include "tracking/undo_buffer.h"

#include "app/settings_store.h"
#include "navigate/goto_line.h"
#include "settings/display_options.h"
#include "tracking/track_changes.h"

namespace scrivane {

void cmdGoto_Click(Workspace& ws) {
    if (const auto line = gotoTarget(ws.view.GotoText())) {
        gotoline(ws.mergedoc, *line);
        ws.view.ArmTimer();
    }
}

void mnuGotoLine_Click(Workspace& ws) {
    ws.view.SetGotoText(caretLineText(ws.mergedoc));
    ws.view.FocusGotoBoxSelectingAll();
}

void mnuUndo_Click(Workspace& ws) {
    if (mnuUndo_Click(ws.undo, ws.mergedoc, ws.doc.stored, ws.trackChanges)) {
        ws.view.OptionsChanged();
        ws.view.ArmTimer();
    }
}

void optWrap_Click(Workspace& ws) {
    ws.settings.wrap = !ws.settings.wrap;
    ws.mergedoc.SetRightMargin(rightMarginFor(ws.settings.wrap));
    ws.view.OptionsChanged();
}

void mnuFont_Click(Workspace& ws) {
    const auto chosen = fontToApply(ws.services.ShowFont(ws.mergedoc.Font()));
    if (!chosen) return;
    ws.mergedoc.SetFont(*chosen);
    saveSettings(ws);
    // The marked view is rebuilt for the new font, as switching tracking on builds it.
    if (ws.trackChanges) {
        ws.trackChanges = false;
        mnuTrackChanges_Click(ws);
    }
}

void mnuPrint_Click(Workspace& ws) {
    std::string error;
    // A file too large to edit prints what is selected of it.
    if (ws.mergedoc.ReadOnly() && ws.mergedoc.SelLength() == 0) {
        ws.view.SetStatusLabel("Select what to print: a file this large prints only a selection");
        return;
    }
    const std::string text = ws.mergedoc.ReadOnly() ? ws.mergedoc.SelText() : ws.mergedoc.Text();
    if (!ws.services.PrintText(text, ws.mergedoc.Font(), error)) {
        ws.services.MessageBox(error, Buttons::Ok, Icon::None);
    }
}

}  // namespace scrivane
