#pragma once

#include <string>
#include <string_view>

#include "document/workspace.h"

namespace scrivane {

// The Edit menu's captions and enabled states, recomputed each time the menu opens. Captions
// are toolkit text (UTF-8, '&' marking the access key).
struct EditMenuState {
    std::string pasteCaption = "&Paste";
    std::string findNextCaption = "Find &Next";
    std::string findPreviousCaption = "Find &Previous";
    bool paste = false;
    bool cutCopy = false;
    bool unstrike = false;
    bool undo = false;
    bool find = false;  // Find, Find Next, Find Previous and Select All
    bool gotoLine = false;
};

struct EditMenuInputs {
    std::string clipboard;  // plain text on the clipboard, UTF-8
    std::string findtext;   // the search text, UTF-8
    Pos selLength = 0;
    bool selHasStrike = false;
    bool textEmpty = true;
    bool canUndo = false;
    Pos linecount = 0;
};

EditMenuState mnuEdit_Click(const EditMenuInputs& in);

// `text` shown as it is in a menu caption: '&' doubled, a tab as an arrow.
std::string literalCaption(std::string_view text);

// Document bytes as the clipboard gets them: in the toolkit's encoding, with the document's own
// line ends, so that a copy from an LF file pastes into a terminal without CRs.
std::string clipboardText(const Workspace& ws, std::string_view selected);

// Clipboard commands: plain text only, in the toolkit's encoding; struck text and markers go
// as ordinary characters. Cut removes the text for real, with an undo snapshot first.
void mnuCopy_Click(Workspace& ws);
void mnuCut_Click(Workspace& ws);

}  // namespace scrivane
