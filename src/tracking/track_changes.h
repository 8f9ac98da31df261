#pragma once

#include <string_view>

#include "document/workspace.h"

namespace scrivane {

// Compares `docnew` (a real document: no marking, its line breaks as written to its file) with
// `docold` and shows the result in place of the document: inserted text
// blue, deleted text red and struck through, each change begun by a marker. The status label
// tells the number of differences; the caret keeps its offset. With Block Check on, the blocks
// are written to the block-check file and shown. When the comparison cannot be completed the
// document stays as it was, a message says why, and the result is false. Neither text may be a
// view of the surface's own text: the result may be written into the surface in place.
bool mergetext(Workspace& ws, const RichText& docnew, std::string_view docold);

// Track Changes: switches the mode. On, the document becomes the marked comparison of its real
// content with the text as last opened or saved; off, struck text goes and the rest is plain.
void mnuTrackChanges_Click(Workspace& ws);

// Accepts every change: struck text and markers go, in place where the surface allows, and the
// rest is plain. Returns the number of bytes that went.
Pos acceptAll(RichTextBox& rtb);

// Compare to...: the document (without marks) against a chosen file; tracking is on afterwards.
void mnuCompareTo_Click(Workspace& ws);

// Compare to... once the file is chosen: the document (without marks) against the file at
// `path`. A file that cannot be read is reported; it, a comparison that fails, or one stopped
// with Escape leaves the document, its marks and the mode as they were. True when the
// comparison is shown.
bool compareWithFile(Workspace& ws, const std::string& path);

// Restores the selected text: markers inside it removed, the rest plain and unstruck. The
// caret ends before it.
void unstrike(Workspace& ws);

// Next Change: selects the run after the next change marker behind the caret, wrapping once to
// the top (`irestart` true: search from the top, no wrap). Switches tracking on first.
void findnextchange(Workspace& ws, bool irestart);

// Selects the change that begins at `p`, just after its marker: the run of one colour there,
// or one character (a line break whole) where that is plain.
void selectChangeAt(Workspace& ws, Pos p);

// Block Check: flips the switch; switched on, says where the next comparison writes its blocks.
void optBlockCheck_Click(Workspace& ws);

}  // namespace scrivane
