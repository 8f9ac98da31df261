#pragma once

#include "document/workspace.h"

namespace scrivane {

// Previous Change: Next Change walked backwards. Selects the run after the last change marker
// before the change the caret stands at, wrapping once to the end (`irestart` true: search from
// the end, no wrap). Switches tracking on first.
void findpreviouschange(Workspace& ws, bool irestart);

// The last change marker before `pos`; -1 when there is none. Costs the runs before `pos`.
Pos previousMarker(const TextBuffer& doc, Pos pos);

}  // namespace scrivane
