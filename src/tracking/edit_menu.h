#pragma once

#include <string>

#include "platform/rich_text_box.h"
#include "platform/services.h"

namespace scrivane {

// The Edit menu's captions and enabled states, recomputed each time the menu opens.
struct EditMenuState {
    std::string pasteCaption = "&Paste";
    bool paste = false;
    bool cutCopy = false;
    bool selectAll = false;
    bool undo = false;
    bool gotoLine = false;
};

struct EditMenuInputs {
    std::string clipboard;  // plain text on the clipboard
    Pos selLength = 0;
    bool textEmpty = true;
    bool canUndo = false;
    Pos linecount = 0;
};

EditMenuState mnuEdit_Click(const EditMenuInputs& in);

// Clipboard commands: plain text only; struck text and markers go as ordinary characters.
void mnuCopy_Click(RichTextBox& rtb, Services& services);
void mnuCut_Click(RichTextBox& rtb, Services& services);
void mnuPaste_Click(RichTextBox& rtb, Services& services);

}  // namespace scrivane
