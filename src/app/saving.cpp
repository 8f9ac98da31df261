#include "app/saving.h"

#include "app/caption.h"
#include "app/file_io.h"
#include "app/settings_store.h"
#include "files/file_bytes.h"
#include "platform/work_progress.h"
#include "tracking/modified_check.h"
#include "tracking/read_only.h"
#include "tracking/track_changes.h"

namespace scrivane {
namespace {

// The file changed since this program last read or wrote it: ask before overwriting. Only a
// change of content counts, line ends aside: a file that was merely touched, or that holds
// what the document holds, is overwritten without a question. No is the default answer, so
// that a hasty Enter keeps the other program's work.
bool confirmOverwrite(Workspace& ws, const std::string& fname) {
    const auto modified = ws.services.FileModified(fname);
    if (!modified || !ws.doc.filetime || *modified <= *ws.doc.filetime) return true;
    DocumentText onDisk;
    std::string error;
    if (readDocumentFile(fname, onDisk, error) &&
        (ws.doc.stored.equals({onDisk.text, {}}) || onDisk.text == realContent(ws.mergedoc))) {
        return true;
    }
    return ws.services.MessageBox(changedOnDiskMessage(fname, ws.doc, *modified),
                                  Buttons::YesNoDefaultNo, Icon::None) == Answer::Yes;
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
    if (refuseEdit(ws)) return false;
    if (fname.empty()) return savefileas(ws);
    if (fname == ws.doc.filename && !confirmOverwrite(ws, fname)) return false;

    std::string error;
    if (!checkWritable(fname, error)) {
        ws.services.MessageBox(openingError(error, fname), Buttons::Ok, Icon::None);
        return false;
    }
    // Switching tracking off accepts the changes in place: the surface then holds the real
    // content, plain, and every line break that came from the file still knows its bytes.
    if (ws.trackChanges) mnuTrackChanges_Click(ws);
    ws.services.ProcessEvents();

    std::vector<LineBreak> breaks = ws.mergedoc.LineBreaks();
    {
        WorkProgress progress(ws.services, "Saving " + fileNameOf(fname),
                              WorkProgress::Escape::Ignored);
        progress.tell(0);
        // Written straight from the editor's text, its breaks turned into the file's a piece at
        // a time. The text cannot change meanwhile: input waits while the progress shows.
        const std::string_view text = ws.mergedoc.TextRange(0, ws.mergedoc.TextLength());
        const LineEnds usual = ws.doc.lineEnds;
        const ByteSource bytes = [&](const PieceSink& sink) {
            return writeLineEndsInPieces(text, usual, breaks, kSavePiece, sink);
        };
        // A break is never longer in the file than in the text, so the text's length bounds
        // what is written; written in place, the old content's copy comes first.
        const auto told = [&](const SaveProgress& p) {
            progress.tell(WorkProgress::share(p.copiedAside + p.written, p.oldSize + text.size()));
        };
        if (!saveFileBytes(fname, bytes, error, told)) {
            ws.services.MessageBox(openingError(error, fname), Buttons::Ok, Icon::None);
            return false;
        }
    }

    // The text as saved is what "unmodified" compares with from now on: the document's own,
    // followed from here with no copy.
    ws.doc.stored.follow(ws.mergedoc);
    ws.doc.stored.sameAs(ws.mergedoc.Revision());
    ws.doc.storedBreaks = std::move(breaks);
    ws.doc.filename = fname;
    ws.doc.dialogFileName = fname;
    const TimePoint now = ws.services.Now();
    // The file's own time, as the next changed-on-disk check reads it: a file system whose
    // clock differs from ours must not hide another program's change made just after.
    ws.doc.filetime = ws.services.FileModified(fname).value_or(now);
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
