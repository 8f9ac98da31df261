#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "document/workspace.h"
#include "navigate/text_search.h"

namespace scrivane {

// The search bar's boxes as find and replace see them. Texts are UTF-8, as typed.
class SearchBarView {
  public:
    virtual ~SearchBarView() = default;
    virtual std::string FindText() const = 0;
    // Writing the find box is a change of its text: the window's change handler clears
    // findok (the procedures here clear it as well).
    virtual void SetFindText(const std::string& text) = 0;
    virtual std::string ReplaceText() const = 0;
    // "exact": letter case counts.
    virtual bool Exact() const = 0;
    virtual void FocusFindBox() = 0;
};

inline constexpr const char* kFindPrompt = "Enter text to find.";
inline constexpr const char* kNothingFound = "Nothing was found.";

// How the document in `rtb` reads its bytes.
Encoding documentEncoding(const RichTextBox& rtb);

// The colour of text the user adds: blue while changes are tracked, plain otherwise.
Colour typingColour(const Workspace& ws);

// Forward from the character after the selection start, wrapping around the end. Asks for a
// search text first when findtext is empty. A failed search says "Nothing was found.", clears
// findok and focuses the find box.
void findnext(Workspace& ws, SearchBarView& bar);
// Backward to the selection start, wrapping around the start; a failed search keeps the focus.
void findprevious(Workspace& ws, SearchBarView& bar);

// The Find button (and Enter in the find box): searches for the box's text.
void cmdFind_Click(Workspace& ws, SearchBarView& bar);
// Ctrl+F: empties the find box, so a new search text is always asked for.
void mnuFind_Click(Workspace& ws, SearchBarView& bar);
// F3 and Shift+F3: the current findtext, not the box.
void mnuFindNext_Click(Workspace& ws, SearchBarView& bar);
void mnuFindPrevious_Click(Workspace& ws, SearchBarView& bar);
// The Replace button (and Enter in the replace box): when the selection is a match, replaces
// it with the replace box's text in the typing colour; then searches on.
void cmdReplace_Click(Workspace& ws, SearchBarView& bar);
// Any change of the find box's text.
void txtFind_Change(Workspace& ws);

}  // namespace scrivane
