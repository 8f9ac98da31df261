#pragma once

#include <cstddef>
#include <string_view>

#include "files/opening_budget.h"

class QsciScintillaBase;

namespace scrivane {

// The editor's document keeps a style byte for every byte of text, or none. Styles are what
// styling text in short runs needs to wrap a long document fast (platform/qt/run_styling),
// and what keeps laying out a very long line quick; without them a document takes half the
// memory. Marking lives in indicators and needs no styles.
bool documentKeepsStyles(QsciScintillaBase& editor);

// Longer lines keep styles: laid out in one piece, a line of megabytes takes about a second.
inline constexpr std::size_t kLongLine = 64 * 1024;

// Whether a document holding `text` should keep styles: when it is wrapped, or has a line
// too long to lay out quickly in one piece.
bool wantsStyles(std::string_view text, bool wrapped);

// Gives the editor a new empty document that keeps styles or not, when its document is of the
// other kind; true if it did. The settings that live with a document (code page, line-end
// mode, lexer, undo collection, line states, the editor's representations) are then the
// defaults again.
bool useDocumentKind(QsciScintillaBase& editor, bool styles);

}  // namespace scrivane
