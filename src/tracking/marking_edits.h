#pragma once

#include <string_view>

#include "compare/compare_engine.h"
#include "platform/rich_text_box.h"

namespace scrivane {

// Switching tracking on and off as edits of the surface in place, so that a few changes in
// a large document cost a few edits, not a rewrite of everything. Both give up (false,
// nothing changed) when the changes are so many that one rewrite is cheaper.

// Shows the engine's last comparison in a surface that holds `docnew`, unmarked: markers and
// deleted runs are inserted, inserted runs coloured; every other byte stays where it is.
bool markInPlace(RichTextBox& rtb, const CompareEngine& engine, std::string_view docnew,
                 std::string_view docold);

// Accepts every change: struck runs and markers go, and all that remains is plain. `removed`
// receives the number of bytes that went. Also declines where a removal would leave a lone CR
// or LF behind.
bool acceptInPlace(RichTextBox& rtb, Pos& removed);

}  // namespace scrivane
