#include "tracking/tracked_keys.h"
#include "tracking/read_only.h"

#include "compare/markup_format.h"
#include "editing/indentation.h"
#include "navigate/char_boundary.h"
#include "platform/pure/encoding.h"
#include "tracking/edit_menu.h"
#include "tracking/track_changes.h"
#include "tracking/undo_buffer.h"

namespace scrivane {
namespace {

constexpr int kKeyG = 71;
constexpr int kKeyLowerG = 103;
constexpr int kKeyV = 86;
constexpr int kKeySpace = 32;
constexpr int kFirstTypingKey = 48;

char byteAt(const RichTextBox& rtb, Pos pos) {
    const std::string_view b = rtb.TextRange(pos, 1);
    return b.empty() ? '\0' : b.front();
}

// What Delete or Backspace takes from an empty selection at `caret`: one whole character,
// a CR LF pair whole from either side. Empty when there is nothing on that side.
std::pair<Pos, Pos> deletionAt(const RichTextBox& rtb, Pos caret, bool backspace) {
    const Pos length = rtb.TextLength();
    const bool utf8 = rtb.IsUtf8();
    // A caret between CR and LF takes the pair.
    if (caret > 0 && caret < length && byteAt(rtb, caret - 1) == '\r' &&
        byteAt(rtb, caret) == '\n') {
        return {caret - 1, caret + 1};
    }
    if (backspace) {
        if (caret <= 0) return {0, 0};
        if (caret >= 2 && byteAt(rtb, caret - 1) == '\n' && byteAt(rtb, caret - 2) == '\r')
            return {caret - 2, caret};
        const Pos from = std::max<Pos>(0, caret - 4);
        const std::string_view before = rtb.TextRange(from, caret - from);
        return {from + static_cast<Pos>(charStartBefore(before, before.size(), utf8)), caret};
    }
    if (caret >= length) return {caret, caret};
    if (byteAt(rtb, caret) == '\r' && byteAt(rtb, caret + 1) == '\n') return {caret, caret + 2};
    const std::string_view after = rtb.TextRange(caret, 4);
    return {caret, caret + static_cast<Pos>(charLengthAt(after, 0, utf8))};
}

void copySelection(Workspace& ws) {
    const std::string selected = ws.mergedoc.SelText();
    if (selected.empty()) return;
    ws.services.ClearClipboard();
    ws.services.SetClipboardText(clipboardText(ws, selected));
}

// Delete or Backspace with tracking on.
void trackedDeletion(Workspace& ws, int& keyCode, int shift) {
    RichTextBox& rtb = ws.mergedoc;
    const bool backspace = keyCode == key::Backspace;
    // Shift: a tracked cut. The text goes to the clipboard and stays, struck through.
    if (shift == shift::Shift) copySelection(ws);
    if (rtb.SelLength() == 0) {
        const auto [from, to] = deletionAt(rtb, rtb.SelStart(), backspace);
        if (from == to) {
            // Nothing on that side (Backspace at the start, Delete at the end).
            ws.keys.skipcount = 0;
            keyCode = 0;
            return;
        }
        rtb.SetSelStart(from);
        rtb.SetSelLength(to - from);
    }
    ws.keys.skipcount = backspace ? 0 : rtb.SelLength();
    switch (shift & (shift::Shift | shift::Ctrl)) {
        case 0:
        case shift::Shift:
            // Text that was itself inserted, or a lone marker, goes for real: nothing to track.
            if ((rtb.SelLength() == 1 && rtb.NextMarker(rtb.SelStart()) == rtb.SelStart()) ||
                rtb.SelColor() == kInsertedBlue) {
                ws.keys.skipcount = 0;
                return;
            }
            rtb.SetSelColor(kDeletedRed);
            rtb.SetSelStrikeThru(true);
            break;
        case shift::Ctrl:
            unstrike(ws);
            break;
        default:  // Ctrl+Shift: the caret only moves over it
            break;
    }
    rtb.SetSelLength(0);
    keyCode = 0;
}

// Start of the line that holds the byte before `pos`: just after the previous LF.
Pos lineStartBefore(const RichTextBox& rtb, Pos pos) {
    constexpr Pos kChunk = 1 << 16;
    for (Pos hi = pos; hi > 0;) {
        const Pos lo = std::max<Pos>(0, hi - kChunk);
        const std::string_view s = rtb.TextRange(lo, hi - lo);
        const std::size_t lf = s.rfind('\n');
        if (lf != std::string_view::npos) return lo + static_cast<Pos>(lf) + 1;
        hi = lo;
    }
    return 0;
}

bool isTypingKey(int keyCode) {
    return keyCode == key::Enter || keyCode == key::Tab || keyCode == kKeySpace ||
           keyCode >= kFirstTypingKey;
}

}  // namespace

void mergedoc_KeyDown(Workspace& ws, int& keyCode, int shift) {
    KeyFlags& k = ws.keys;
    k.keyskipped = true;
    // Menu shortcuts pass through untouched.
    if (keyCode == key::F2 || keyCode == key::F3) return;
    if (shift == shift::Ctrl && (keyCode == kKeyG || keyCode == kKeyLowerG)) return;
    if ((shift & shift::Alt) != 0) return;
    k.keyskipped = false;
    ws.view.ArmTimer();

    if (ws.mergedoc.ReadOnly()) {
        const bool edits = (shift < shift::Ctrl && isTypingKey(keyCode)) ||
                           keyCode == key::Delete || keyCode == key::Backspace ||
                           (keyCode == kKeyV && shift == shift::Ctrl);
        if (edits && refuseEdit(ws)) keyCode = 0;
        return;
    }

    if (ws.mergedoc.SelLength() > 0 && keyCode == key::Delete) {
        setundobuffer(ws.undo, ws.mergedoc, ws.doc.stored, ws.trackChanges);
        k.typingrun = true;
    }
    if (shift < shift::Ctrl && isTypingKey(keyCode)) {
        if (!k.typingrun) setundobuffer(ws.undo, ws.mergedoc, ws.doc.stored, ws.trackChanges);
        k.typingrun = true;
    }
    if (keyCode == key::Down || keyCode == key::Up) k.typingrun = false;

    if (keyCode == kKeyV && shift == shift::Ctrl) {
        plainPaste(ws);
        keyCode = 0;
    } else if ((keyCode == key::Delete || keyCode == key::Backspace) && ws.trackChanges) {
        trackedDeletion(ws, keyCode, shift);
    } else {
        k.skipcount = 0;
    }
}

void mergedoc_KeyPress(Workspace& ws, int keyAscii) {
    ws.keys.backspaced = keyAscii == key::Backspace;
    ws.keys.enterTyped = keyAscii == key::Enter;
    ws.mergedoc.SetTypingColour(ws.trackChanges ? kInsertedBlue : kPlain);
}

void mergedoc_KeyUp(Workspace& ws) {
    KeyFlags& k = ws.keys;
    if (k.keyskipped) return;
    ws.search.findok = false;
    if (k.skipcount != 0) {
        // Past what the key went over, never inside a character (a marker the key took back
        // shortened the text).
        const Pos past = ws.mergedoc.SelStart() + k.skipcount;
        ws.mergedoc.SetSelStart(charBoundaryAtOrBefore(ws.mergedoc, past));
    }
    k.skipcount = 0;
    ws.view.ArmTimer();
}

void mergedoc_MouseUp(Workspace& ws) {
    ws.keys.typingrun = false;
    ws.view.ArmTimer();
}

void mergedoc_Change(Workspace& ws) {
    RichTextBox& rtb = ws.mergedoc;
    if (!rtb.Enabled()) return;
    const bool afterEnter = ws.keys.enterTyped && !ws.keys.backspaced;
    ws.keys.enterTyped = false;
    const Pos caret = rtb.SelStart();
    if (afterEnter && ws.settings.autoIndent && caret >= 2 && rtb.SelLength() == 0 &&
        rtb.TextRange(caret - 2, 2) == "\r\n") {
        const Pos lineEnd = caret - 2;
        const Pos lineStart = lineStartBefore(rtb, lineEnd);
        const std::string indent(leadingIndent(rtb.TextRange(lineStart, lineEnd - lineStart)));
        if (!indent.empty()) {
            rtb.SetSelText(indent);
            rtb.SetSelStart(caret);
            rtb.SetSelLength(static_cast<Pos>(indent.size()));
            rtb.SetSelColor(ws.trackChanges ? kInsertedBlue : kPlain);
            rtb.SetSelStrikeThru(false);
            rtb.SetSelStart(caret + static_cast<Pos>(indent.size()));
        }
    }
    ws.view.ArmTimer();
}

void plainPaste(Workspace& ws) {
    pasteText(ws, ws.services.ClipboardText());
}

void pasteText(Workspace& ws, const std::string& utf8) {
    if (refuseEdit(ws)) return;
    RichTextBox& rtb = ws.mergedoc;
    ws.keys.skipcount = 0;
    const std::string text = utf8ToDocument(utf8, rtb.IsUtf8());
    if (text.empty()) return;
    setundobuffer(ws.undo, rtb, ws.doc.stored, ws.trackChanges);
    const Pos start = rtb.SelStart();
    rtb.SetSelText(text);
    const Pos end = rtb.SelStart();
    rtb.SetSelStart(start);
    rtb.SetSelLength(end - start);
    rtb.SetSelColor(ws.trackChanges ? kInsertedBlue : kPlain);
    rtb.SetSelStrikeThru(false);
    rtb.SetSelStart(end);
    ws.view.ArmTimer();
}

}  // namespace scrivane
