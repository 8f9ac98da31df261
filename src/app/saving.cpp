#include "app/saving.h"

#include "app/caption.h"
#include "app/file_io.h"
#include "app/settings_store.h"
#include "tracking/modified_check.h"

namespace scrivane {
namespace {

// The file changed since this program last read or wrote it: ask before overwriting.
// Only a change of content counts, line ends aside.
bool confirmOverwrite(Workspace& ws, const std::string& fname) {
    const auto modified = ws.services.FileModified(fname);
    if (!modified || !ws.doc.filetime || *modified <= *ws.doc.filetime) return true;
    std::string onDisk;
    std::string error;
    LineEnds ends = LineEnds::CrLf;
    if (readDocumentFile(fname, onDisk, ends, error) && onDisk == realContent(ws.mergedoc)) {
        return true;
    }
    return ws.services.MessageBox(changedOnDiskMessage(fname, ws.doc, *modified), Buttons::YesNo,
                                  Icon::None) == Answer::Yes;
}

// Switching tracking off accepts the changes: the surface then holds the real content, plain.
void endTracking(Workspace& ws) {
    const Pos caret = ws.mergedoc.SelStart();
    ws.mergedoc.SetEnabled(false);
    ws.mergedoc.SetContent(RichText{realContent(ws.mergedoc), {}});
    ws.mergedoc.SetSelStart(caret);
    ws.mergedoc.SetEnabled(true);
    ws.trackChanges = false;
    ws.view.OptionsChanged();
}

}  // namespace

std::string changedOnDiskMessage(const std::string& fname, const DocumentState& doc,
                                 TimePoint modified) {
    return "The file " + fname + "\r" + " has been modified since it was " + doc.lastaction +
           " by this program at " + formatTime(doc.actiontime) + ". " + "\r" +
           "(It was modified at " + formatTime(modified) + ".)" + "\r" +
           "Do you still want to overwrite that modified file with THIS information?";
}

bool savefile(Workspace& ws, const std::string& fname) {
    if (fname.empty()) return savefileas(ws);
    if (fname == ws.doc.filename && !confirmOverwrite(ws, fname)) return false;

    std::string error;
    if (!checkWritable(fname, error)) {
        ws.services.MessageBox(openingError(error, fname), Buttons::Ok, Icon::None);
        return false;
    }
    if (ws.trackChanges) endTracking(ws);
    ws.services.ProcessEvents();

    std::string text = ws.mergedoc.Text();
    if (!writeFileSafely(fname, fromCrLf(text, ws.doc.lineEnds), error)) {
        ws.services.MessageBox(openingError(error, fname), Buttons::Ok, Icon::None);
        return false;
    }

    ws.mergedoc.SetTag(std::move(text));
    ws.doc.filename = fname;
    ws.doc.dialogFileName = fname;
    const TimePoint now = ws.services.Now();
    ws.doc.filetime = now;
    // A file system clock ahead of ours must not make our own write look like a change by
    // someone else at the next save.
    if (const auto written = ws.services.FileModified(fname); written && *written > now) {
        ws.doc.filetime = written;
    }
    ws.doc.actiontime = now;
    ws.doc.lastaction = "last saved";
    ws.view.ArmTimer();
    setRecent(ws, fname);
    ws.view.DocumentSaved();
    return true;
}

bool savefileas(Workspace& ws) {
    const std::string chosen = ws.services.ShowSave(ws.doc.filename);
    if (chosen.empty()) return false;
    return savefile(ws, chosen);
}

}  // namespace scrivane
