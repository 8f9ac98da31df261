#pragma once

#include <cstddef>

class QsciScintillaBase;

namespace scrivane {

// The component keeps its text in one buffer with a gap where the last edit was; an edit
// elsewhere first moves the gap there, copying all the text between (a tenth of a second a
// gigabyte: the first key typed after opening a large file, at its start, or after a jump far
// into it). Between events the gap is brought to where typing would edit: back `step` bytes
// at a time, and after a jump far ahead in one go, by a byte inserted there and taken away
// again. The component has no other way to move its gap forward short of the very end.
//
// That byte is an edit to the component, unseen by anything else: the caller keeps it from
// the marks and the change reports (ScintillaSurface::BringGapTowardSelection). Any view of
// the text taken before (TextRange) points elsewhere after it: never while work that holds
// such a view lets events run. True while the gap is still on its way.
bool bringGapTowardSelection(QsciScintillaBase& editor, std::size_t step);

}  // namespace scrivane
