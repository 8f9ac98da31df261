#pragma once

#include "document/workspace.h"

namespace scrivane {

// The go-to button: selects the line typed in the box.
void cmdGoto_Click(Workspace& ws);

// Goto Line: the caret's line number into the box, selected, with the focus there.
void mnuGotoLine_Click(Workspace& ws);

// Undo: swaps the document with the latest snapshot.
void mnuUndo_Click(Workspace& ws);

// Wrap Text: flips the option and applies it.
void optWrap_Click(Workspace& ws);

// Set Font: font dialog, then settings written and the template rebuilt.
void mnuFont_Click(Workspace& ws);

// Print: the plain text, struck-out text included, in the display font on the default
// printer.
void mnuPrint_Click(Workspace& ws);

}  // namespace scrivane
