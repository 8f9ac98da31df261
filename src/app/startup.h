#pragma once

#include "document/workspace.h"

namespace scrivane {

// Window creation: settings, template, recent menu, start-up caption; without a command
// line the current directory becomes that of the most recently used file.
void formLoad(Workspace& ws);

// The window was shown: the command line is handled here, once per process (activation
// events repeat every time the user comes back to the window).
void formActivate(Workspace& ws);

// Closing the window: settings written, then the save prompt. False keeps the window open.
bool formUnload(Workspace& ws);

// New: an empty unnamed document, as at start. Stops when the save prompt is cancelled.
void mnuNew_Click(Workspace& ws);

}  // namespace scrivane
