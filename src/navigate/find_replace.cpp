#include "navigate/find_replace.h"

#include <optional>

#include "editing/styled_edits.h"
#include "navigate/goto_line.h"
#include "navigate/parts_search.h"

namespace scrivane {
namespace {

// Asks for a search text when there is none. False: nothing to search for.
bool haveFindText(Workspace& ws, SearchBarView& bar) {
    if (!ws.search.findtext.empty()) return true;
    ws.search.findtext = ws.services.InputBox(kFindPrompt, "");
    if (ws.search.findtext.empty()) return false;
    bar.SetFindText(ws.search.findtext);
    ws.search.findok = false;
    return true;
}

void selectMatch(Workspace& ws, const ByteRange& match) {
    textgotochar(ws.mergedoc, static_cast<Pos>(match.start), static_cast<Pos>(match.length));
    ws.view.ArmTimer();
}

void nothingFound(Workspace& ws) {
    ws.services.MessageBox(kNothingFound, Buttons::Ok, Icon::None);
    ws.search.findok = false;
}

// The prepared search for findtext, or nullopt when the document cannot hold it.
std::optional<TextSearch> currentSearch(const Workspace& ws, const SearchBarView& bar) {
    const Encoding encoding = documentEncoding(ws.mergedoc);
    const bool exact = bar.Exact();
    const auto pattern = searchBytes(ws.search.findtext, encoding, exact);
    if (!pattern) return std::nullopt;
    return TextSearch(*pattern, encoding, exact);
}

bool documentEmpty(const Workspace& ws) {
    return ws.mergedoc.TextLength() == 0;
}

// True when the selection is a match of findtext under the current letter-case rule.
bool selectionIsMatch(const Workspace& ws, const SearchBarView& bar) {
    const auto search = currentSearch(ws, bar);
    if (!search) return false;
    const RichTextBox& rtb = ws.mergedoc;
    const ByteRange selected{static_cast<std::size_t>(rtb.SelStart()),
                             static_cast<std::size_t>(rtb.SelLength())};
    return searchMatches(*search, rtb.Parts(), selected);
}

}  // namespace

Encoding documentEncoding(const RichTextBox& rtb) {
    return rtb.IsUtf8() ? Encoding::Utf8 : Encoding::Latin1;
}

Colour typingColour(const Workspace& ws) {
    return ws.trackChanges ? kInsertedBlue : kPlain;
}

void findnext(Workspace& ws, SearchBarView& bar) {
    if (!haveFindText(ws, bar)) return;
    std::optional<ByteRange> match;
    if (const auto search = currentSearch(ws, bar)) {
        const TextParts text = ws.mergedoc.Parts();
        // From the character after the selection's first one: the match selected last time
        // (or one right at the caret) is passed over until the search wraps around.
        const auto start = static_cast<std::size_t>(ws.mergedoc.SelStart());
        const std::size_t from = nextCharBorder(text, start, documentEncoding(ws.mergedoc));
        match = searchForward(*search, text, from);
        // Around the end: what lies before the first search's start.
        if (!match) match = searchForward(*search, text, 0, from);
    }
    if (!match) {
        nothingFound(ws);
        bar.FocusFindBox();
        return;
    }
    selectMatch(ws, *match);
}

void findprevious(Workspace& ws, SearchBarView& bar) {
    if (!haveFindText(ws, bar)) return;
    std::optional<ByteRange> match;
    if (const auto search = currentSearch(ws, bar)) {
        const TextParts text = ws.mergedoc.Parts();
        const auto start = static_cast<std::size_t>(ws.mergedoc.SelStart());
        match = searchBackward(*search, text, start);
        // Around the start: only a match that reaches past the first search's end is new.
        const std::size_t longest = search->longestMatch();
        if (!match) {
            match = searchBackward(*search, text, static_cast<std::size_t>(text.size()),
                                   start > longest ? start - longest : 0);
        }
    }
    if (!match) {
        nothingFound(ws);
        return;
    }
    selectMatch(ws, *match);
}

void cmdFind_Click(Workspace& ws, SearchBarView& bar) {
    ws.search.findtext = bar.FindText();
    findnext(ws, bar);
    ws.search.findok = !ws.search.findtext.empty();
}

void mnuFind_Click(Workspace& ws, SearchBarView& bar) {
    if (documentEmpty(ws)) return;
    bar.SetFindText("");
    ws.search.findok = false;
    cmdFind_Click(ws, bar);
}

void mnuFindNext_Click(Workspace& ws, SearchBarView& bar) {
    if (documentEmpty(ws)) return;
    findnext(ws, bar);
}

void mnuFindPrevious_Click(Workspace& ws, SearchBarView& bar) {
    if (documentEmpty(ws)) return;
    findprevious(ws, bar);
}

void cmdReplace_Click(Workspace& ws, SearchBarView& bar) {
    // findok alone is not enough: a Find that found nothing leaves it set, and the mouse can
    // move the selection without clearing it. Only a match is ever replaced.
    if (ws.search.findok && selectionIsMatch(ws, bar)) {
        RichTextBox& rtb = ws.mergedoc;
        const std::string bytes = toDocumentBytes(bar.ReplaceText(), documentEncoding(rtb));
        const Pos start = rtb.SelStart();
        rtb.SetSelText(bytes);
        const Pos end = rtb.SelStart();
        if (end > start) {
            // The replacement is the user's text, whatever its neighbours' colour.
            rtb.SetSelStart(start);
            rtb.SetSelLength(end - start);
            rtb.SetSelColor(typingColour(ws));
            rtb.SetSelStrikeThru(false);
            rtb.SetSelStart(end);
        }
        ws.view.ArmTimer();
    }
    cmdFind_Click(ws, bar);
}

void txtFind_Change(Workspace& ws) {
    ws.search.findok = false;
}

}  // namespace scrivane
