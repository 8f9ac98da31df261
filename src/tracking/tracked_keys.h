#pragma once

#include <string>

#include "document/workspace.h"

namespace scrivane {

// The editing surface's key, mouse and change handlers. With change tracking on, Delete and
// Backspace strike text instead of removing it and typed or pasted text is blue; every
// handler keeps its flags in ws.keys.

// May set `keyCode` to 0: the key is consumed and has no further effect.
void mergedoc_KeyDown(Workspace& ws, int& keyCode, int shift);
void mergedoc_KeyPress(Workspace& ws, int keyAscii);
void mergedoc_KeyUp(Workspace& ws);
void mergedoc_MouseUp(Workspace& ws);
// After every change of content; indents a new line after Enter when Auto-Indent is on.
void mergedoc_Change(Workspace& ws);

// Ctrl+V: replaces the selection by the clipboard's text, changing nothing else; the pasted
// text is blue with tracking on and plain otherwise. Takes an undo snapshot. An empty
// clipboard (or one holding no text) changes nothing.
void plainPaste(Workspace& ws);
// The same with `utf8` in place of the clipboard's text (the primary selection that a middle
// click pastes).
void pasteText(Workspace& ws, const std::string& utf8);

}  // namespace scrivane
