#pragma once

#include <string>

#include "document/workspace.h"
#include "platform/rich_text_box.h"

namespace scrivane {

// The document's real content: for a marked document (colours or strike-through) the text
// without struck-out runs and change markers, as stripping the surface's RTF gives it; for an
// unmarked one its text as it stands, bytes 6 and 7 included.
std::string realContent(const RichTextBox& mergedoc);

// True when the real content equals the stored text (the surface's Tag). There is no
// modified flag: this is recomputed every time. Plain documents are compared in place,
// without copying or building RTF.
bool isUnchanged(const RichTextBox& mergedoc);

// The same, answered from `last` while neither the document nor the stored text has changed
// since: the caption asks after every caret move, and a marked document costs a strip of all
// of it.
bool isUnchanged(const RichTextBox& mergedoc, ModifiedCheck& last);

}  // namespace scrivane
