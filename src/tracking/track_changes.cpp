#include "tracking/track_changes.h"
#include "tracking/read_only.h"

#include <new>
#include <stdexcept>

#include "compare/marked_content.h"
#include "compare/markup_format.h"
#include "files/file_bytes.h"
#include "navigate/char_boundary.h"
#include "navigate/goto_line.h"
#include "platform/work_progress.h"
#include "tracking/block_check.h"
#include "tracking/marking_edits.h"
#include "tracking/modified_check.h"

namespace scrivane {
namespace {

// Compares into `engine`, with the block dump when Block Check wants it, telling its progress;
// Escape stops it. False when the engine gave up, with the reason shown to the user, or was
// stopped; the document is untouched then.
bool compare(Workspace& ws, CompareEngine& engine, std::string_view docnew, std::string_view docold,
             std::string& dump) {
    std::string error;
    bool stopped = false;
    {
        WorkProgress progress(ws.services, "Comparing", WorkProgress::Escape::Stops);
        engine.setProgress([&progress](double done) { return progress.tell(done); });
        try {
            engine.compareblocks(docnew, docold);
            if (ws.blockCheck) dump = engine.dumpblocks(docnew, docold);
        } catch (const CompareStopped&) {
            stopped = true;
        } catch (const std::length_error&) {
            error = "The texts differ in too many places to be compared.";
        } catch (const std::bad_alloc&) {
            error = "There is not enough memory to compare the texts.";
        }
        engine.setProgress({});
    }
    if (stopped) return false;
    if (error.empty()) return true;
    ws.services.MessageBox(error, Buttons::Ok, Icon::None);
    return false;
}

void showBlocks(Workspace& ws, const std::string& dump) {
    std::string path;
    std::string error;
    if (writeBlockCheckFile(dump, path, error)) {
        ws.services.OpenInViewer(path);
    } else {
        ws.services.MessageBox(error + " opening " + path, Buttons::Ok, Icon::None);
    }
}

// A document's real text and how its line breaks are written, wherever they are kept.
struct RealText {
    std::string_view text;
    const std::vector<LineBreak>& breaks;
};

bool holdsPlain(const RichTextBox& rtb, std::string_view text) {
    return rtb.Runs().empty() && rtb.TextEquals(text);
}

// Puts the engine's comparison on the surface while its change handler keeps still: in
// place when the surface holds the new text unmarked, otherwise as new content. Every line
// break keeps how it is written: those of `docnew` as they were, those of the deleted text
// as `oldBreaks` say.
void showMarked(Workspace& ws, const CompareEngine& engine, RealText docnew,
                std::string_view docold, const std::vector<LineBreak>& oldBreaks) {
    RichTextBox& rtb = ws.mergedoc;
    rtb.SetEnabled(false);
    if (holdsPlain(rtb, docnew.text) && markInPlace(rtb, engine, docnew.text, docold)) {
        if (!docnew.breaks.empty() || !oldBreaks.empty()) {
            rtb.SetLineBreaks(markedBreaks(engine, docnew.text, docold, docnew.breaks, oldBreaks));
        }
    } else {
        rtb.SetContent(markedContent(engine, docnew.text, docold, docnew.breaks, oldBreaks));
    }
    rtb.SetEnabled(true);
    ws.view.SetStatusLabel(differencesText(engine.countchanges()));
}

// The comparison in place of the document, the caret keeping its offset.
void showComparison(Workspace& ws, const CompareEngine& engine, RealText docnew,
                    std::string_view docold, const std::string& dump) {
    const Pos caret = ws.mergedoc.SelStart();
    showMarked(ws, engine, docnew, docold, {});
    // The offset stays, on a character's start: markers before it moved the text.
    ws.mergedoc.SetSelStart(charBoundaryAtOrBefore(ws.mergedoc, caret));
    ws.mergedoc.SetFocus();
    if (ws.blockCheck) showBlocks(ws, dump);
}

}  // namespace

Pos acceptAll(RichTextBox& rtb) {
    rtb.SetEnabled(false);
    Pos removed = 0;
    if (!acceptInPlace(rtb, removed)) {
        const RichText real = realDocument(rtb);
        removed = rtb.TextLength() - static_cast<Pos>(real.text.size());
        rtb.SetContent(real);
    }
    rtb.SetEnabled(true);
    return removed;
}

bool mergetext(Workspace& ws, const RichText& docnew, std::string_view docold) {
    CompareEngine engine;
    std::string dump;
    if (!compare(ws, engine, docnew.text, docold, dump)) return false;
    showComparison(ws, engine, {docnew.text, docnew.breaks}, docold, dump);
    return true;
}

void mnuTrackChanges_Click(Workspace& ws) {
    if (refuseEdit(ws)) return;
    RichTextBox& rtb = ws.mergedoc;
    Pos caret = rtb.SelStart();
    const Pos line = rtb.GetLineFromChar(caret) + 1;
    const bool marked = !rtb.Runs().empty();

    if (!ws.trackChanges) {
        const RichText real = realDocument(rtb);
        // Struck text or markers went: the caret's offset means nothing any more.
        if (static_cast<Pos>(real.text.size()) != rtb.TextLength()) caret = 0;
        // Compare first: if that fails, the document and the mode stay as they were.
        const std::shared_ptr<const std::string> stored = ws.doc.stored.whole();
        CompareEngine engine;
        std::string dump;
        if (!compare(ws, engine, real.text, *stored, dump)) {
            // The menu's check mark follows the mode, which stays off.
            ws.view.OptionsChanged();
            return;
        }
        ws.trackChanges = true;
        if (marked) acceptAll(rtb);
        showMarked(ws, engine, {real.text, real.breaks}, *stored, ws.doc.storedBreaks);
        if (ws.blockCheck) showBlocks(ws, dump);
    } else {
        ws.trackChanges = false;
        // An unmarked document already is its real content.
        if (marked && acceptAll(rtb) != 0) caret = 0;
    }
    ws.view.OptionsChanged();
    if (caret != 0) {
        // The offset stays, on a character's start: markers before it may have moved the text.
        rtb.SetSelStart(charBoundaryAtOrBefore(rtb, caret));
    } else {
        gotoline(rtb, line);
    }
    rtb.SetSelLength(0);
    rtb.SetFocus();
}

void mnuCompareTo_Click(Workspace& ws) {
    if (refuseEdit(ws)) return;
    const std::string chosen = ws.services.ShowOpen(ws.doc.filename);
    if (chosen.empty()) return;
    compareWithFile(ws, chosen);
}

bool compareWithFile(Workspace& ws, const std::string& chosen) {
    if (refuseEdit(ws)) return false;
    // The file, then the comparison: one that cannot be read, fails or is stopped leaves the
    // document, marks and mode as they were. The file's text goes straight into the
    // comparison, with its line ends as the surface would hold them.
    std::string docold;
    std::string error;
    if (!readFileAsCrLf(chosen, docold, error)) {
        ws.services.MessageBox(error + " opening " + chosen, Buttons::Ok, Icon::None);
        return false;
    }
    // A document still as opened or saved is its stored text: compared from a copy kept
    // there, it needs none of its own (on a large document, the largest block of the command).
    std::shared_ptr<const std::string> stored;
    RichText copy;
    if (ws.mergedoc.Runs().empty() && ws.doc.stored.knownSameAs(ws.mergedoc.Revision())) {
        stored = ws.doc.stored.kept();
    }
    if (!stored) {
        copy = realDocument(ws.mergedoc);
    }
    const RealText docnew =
        stored ? RealText{*stored, ws.doc.storedBreaks} : RealText{copy.text, copy.breaks};
    CompareEngine engine;
    std::string dump;
    if (!compare(ws, engine, docnew.text, docold, dump)) return false;
    if (ws.trackChanges) {
        mnuTrackChanges_Click(ws);
        ws.services.ProcessEvents();
    }
    showComparison(ws, engine, docnew, docold, dump);
    ws.trackChanges = true;
    ws.view.OptionsChanged();
    return true;
}

void unstrike(Workspace& ws) {
    if (refuseEdit(ws)) return;
    RichTextBox& rtb = ws.mergedoc;
    const Pos start = rtb.SelStart();
    const Pos length = rtb.SelLength();
    if (length > 0) {
        // The markers inside go one by one, from the end, so that the line breaks of the
        // restored text stay as they were written.
        std::vector<Pos> markers;
        for (Pos at = rtb.NextMarker(start); at < start + length; at = rtb.NextMarker(at + 1)) {
            markers.push_back(at);
        }
        for (auto at = markers.rbegin(); at != markers.rend(); ++at) rtb.RemoveAt(*at, 1);
        rtb.MarkRange(start, length - static_cast<Pos>(markers.size()), Marking{});
        rtb.SetSelStart(start);
    } else {
        rtb.SetSelColor(kPlain);
        rtb.SetSelStrikeThru(false);
    }
    ws.view.ArmTimer();
}

void findnextchange(Workspace& ws, bool irestart) {
    RichTextBox& rtb = ws.mergedoc;
    if (irestart) rtb.SetSelStart(0);
    if (!ws.trackChanges) mnuTrackChanges_Click(ws);
    // The character at the caret is passed over, except from the top: a change at the very
    // start of the document would otherwise never be reached.
    const Pos from = irestart ? 0 : rtb.SelStart() + 1;
    const Pos length = rtb.TextLength();
    const Pos marker = rtb.NextMarker(from);
    if (marker >= length) {
        if (!irestart) findnextchange(ws, true);
        return;
    }
    selectChangeAt(ws, marker + 1);
}

void selectChangeAt(Workspace& ws, Pos p) {
    RichTextBox& rtb = ws.mergedoc;
    rtb.SetSelStart(p);
    if (p >= rtb.TextLength()) return;
    // One character, a line break whole: typing over it must not split the pair.
    rtb.SetSelLength(charEndAt(rtb, p) - p);
    const Colour c = rtb.SelColor();
    if (c != kInsertedBlue && c != kDeletedRed) return;
    textgotochar(rtb, p, rtb.ColourRunEnd(p) - p);
    ws.view.ArmTimer();
}

void optBlockCheck_Click(Workspace& ws) {
    ws.blockCheck = !ws.blockCheck;
    ws.view.OptionsChanged();
    if (!ws.blockCheck) return;
    ws.services.MessageBox("Next time you compare your document, the file \"" + blockCheckPath() +
                               "\" will be created.",
                           Buttons::Ok, Icon::None);
}

}  // namespace scrivane
