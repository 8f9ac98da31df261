#include "app/opening.h"
#include "tracking/undo_buffer.h"

#include "app/file_io.h"
#include "app/file_loading.h"
#include "app/saving.h"
#include "app/settings_store.h"
#include "files/file_system.h"
#include "tracking/modified_check.h"

namespace scrivane {

bool querysave(Workspace& ws) {
    if (isUnchanged(ws.mergedoc, ws.doc.stored)) return true;
    std::string message;
    if (!ws.doc.filename.empty()) message = "You have changed " + ws.doc.filename + ".\n\r";
    message += "Do you want to save your modifications?";
    switch (ws.services.MessageBox(message, Buttons::YesNoCancel, Icon::Question)) {
        case Answer::Yes:
            return savefile(ws, ws.doc.filename);
        case Answer::No:
            return true;
        default:
            return false;
    }
}

std::string resolveOpenPath(Services& services, const std::string& fname) {
    std::string path = fname;
    if (path.empty() || path.front() != '/') {
        // Relative names, bare or not, are taken from the current directory.
        std::string dir = services.CurrentDir();
        if (!dir.empty() && dir.back() == '/') dir.pop_back();
        path = dir + "/" + path;
    }
    path = cleanPath(path);
    // '*', '?' and '[' are ordinary in Linux file names: a pattern only where no file of
    // exactly that name exists.
    if (path.find_first_of("*?[") != std::string::npos && !nameExists(path)) {
        const std::string dir = dirof(path);
        path = dir + "/" + services.FirstMatch(dir, fileof(path));
    }
    return path;
}

void openfile(Workspace& ws, const std::string& fname) {
    if (!querysave(ws)) return;
    ws.services.SetBusy(true);
    // Nothing of the document changes until the file is read: a failed or cancelled open
    // leaves its name, times, text and stored text as they were.
    const std::string path = resolveOpenPath(ws.services, fname);
    const std::optional<TimePoint> filetime = ws.services.FileModified(path);
    const TimePoint actiontime = ws.services.Now();

    LoadedFile file;
    std::string error;
    const LoadOutcome outcome =
        loadFile(ws.services, ws.mergedoc, path, ws.settings.wrap, file, error);
    if (outcome == LoadOutcome::Failed) {
        ws.services.SetBusy(false);
        ws.services.MessageBox(openingError(error, path), Buttons::Ok, Icon::None);
    } else if (outcome == LoadOutcome::Loaded) {
        ws.doc.filename = path;
        if (filetime) ws.doc.filetime = filetime;
        ws.doc.actiontime = actiontime;
        ws.doc.lastaction = "opened";
        ws.doc.dialogFileName = path;
        // The text comes with every break as CR LF; the breaks that are not the file's usual
        // one are noted per line, so that saving writes every break back as it was.
        ws.doc.lineEnds = file.usual;

        ws.mergedoc.SetEnabled(false);
        ws.trackChanges = false;
        // The snapshots of the document before are of no more use, and a version of its
        // stored text held by one would keep a copy of all of it when the text goes.
        ws.undo = UndoBuffer{};
        ws.mergedoc.TakeText(std::move(file.text), file.breaks);
        ws.doc.storedBreaks = std::move(file.breaks);
        ws.mergedoc.SetEnabled(true);
        if (file.readOnly) {
            // Nothing to compare with or take back in a text that cannot change.
            ws.doc.stored.set("");
        } else {
            // Just opened, the document's text is the file's: followed, not copied.
            ws.doc.stored.follow(ws.mergedoc);
            ws.doc.stored.sameAs(ws.mergedoc.Revision());
            setundobuffer(ws.undo, ws.mergedoc, ws.doc.stored, ws.trackChanges);
        }
        setRecent(ws, path);
        ws.keys.typingrun = false;
        ws.view.OptionsChanged();
        ws.services.SetBusy(false);
        ws.view.DocumentOpened();
    }
    ws.view.ArmTimer();
    ws.mergedoc.SetFocus();
    ws.services.SetBusy(false);
}

void mnuOpen_Click(Workspace& ws) {
    const std::string chosen = ws.services.ShowOpen(ws.doc.dialogFileName);
    if (!chosen.empty()) openfile(ws, chosen);
}

}  // namespace scrivane
