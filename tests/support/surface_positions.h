#pragma once

#include "platform/rich_text_box.h"

namespace scrivane {

// Moves a position off the middle of a CR LF pair, which no edit may split.
inline Pos offPair(const RichTextBox& surface, Pos pos) {
    if (pos > 0 && surface.TextRange(pos - 1, 2) == "\r\n") return pos - 1;
    return pos;
}

}  // namespace scrivane
