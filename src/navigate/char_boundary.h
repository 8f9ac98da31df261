#pragma once

#include "platform/rich_text_box.h"

namespace scrivane {

// The character boundary at or before `pos` (clamped to the text): never between the CR and
// LF of a line break, nor inside a UTF-8 character of a UTF-8 document, where one keystroke
// would split it.
Pos charBoundaryAtOrBefore(const RichTextBox& rtb, Pos pos);

// The end of the character that starts at `pos`: a CR LF pair whole, a UTF-8 character of a
// UTF-8 document whole; `pos` itself at the end of the text.
Pos charEndAt(const RichTextBox& rtb, Pos pos);

}  // namespace scrivane
