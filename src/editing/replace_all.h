#pragma once

#include <cstddef>
#include <functional>

#include "editing/styled_edits.h"
#include "navigate/find_replace.h"
#include "platform/work_progress.h"

namespace scrivane {

// Replace All: every occurrence of the find box's text, letter case counting, replaced by the
// replace box's text in the typing colour; the marking of all other text is kept. Calls
// `beforeChange` (the undo snapshot) once, only when something is about to be replaced.
// Returns the number of occurrences replaced; reports nothing.
std::size_t cmdReplaceAll_Click(Workspace& ws, SearchBarView& bar,
                                const std::function<void()>& beforeChange);
// Writes an edit of the styled text back to the surface, after `beforeChange` (the undo
// snapshot), when it changed anything, telling `progress` how far it is; the caret goes to the
// start. Returns edit.count.
std::size_t applyStyledEdit(Workspace& ws, const StyledEdit& edit,
                            const std::function<void()>& beforeChange, WorkProgress& progress);

}  // namespace scrivane
