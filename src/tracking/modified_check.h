#pragma once

#include <string>

#include "document/stored_text.h"
#include "document/workspace.h"
#include "platform/rich_text_box.h"

namespace scrivane {

// The document's real content: the text without struck-out runs and change markers. Bytes 6
// that are no markers are text like any other.
std::string realContent(const RichTextBox& mergedoc);
// The same with the line breaks as they are written to the file.
RichText realDocument(const RichTextBox& mergedoc);

// True when the real content equals the stored text. There is no
// modified flag: this is recomputed every time. Plain documents are compared in place,
// without copying or building RTF.
bool isUnchanged(const RichTextBox& mergedoc, const StoredText& stored);

// The same, answered from `last` while neither the document nor the stored text has changed
// since: the caption asks after every caret move, and a marked document costs a strip of all
// of it.
bool isUnchanged(const RichTextBox& mergedoc, const StoredText& stored, ModifiedCheck& last);

}  // namespace scrivane
