#pragma once

#include <cstddef>

class QsciScintillaBase;

namespace scrivane {

// The component keeps its text in one buffer with a gap where the last edit was; an edit
// elsewhere first moves the gap there, copying all the text between (a tenth of a second a
// gigabyte: the first key typed after opening a large file, at its start). Between events the
// gap is brought back to where typing would edit, `step` bytes at a time. Forward the
// component moves its gap only to the very end, in one go: that is done after a jump far
// ahead, toward the end.
//
// Moves no text, but any view of the text taken before it (TextRange) points elsewhere after
// it: never while work that holds such a view lets events run.
// True while the gap is still on its way.
bool bringGapTowardSelection(QsciScintillaBase& editor, std::size_t step);

}  // namespace scrivane
