#pragma once

#include <string>

#include "document/workspace.h"

namespace scrivane {

// Asks whether to save a modified document. True: the caller may replace or drop it.
bool querysave(Workspace& ws);

// The full path `openfile` uses for `fname`: relative names are taken from the current
// directory, and a name with '*' is the first matching file of its directory.
std::string resolveOpenPath(Services& services, const std::string& fname);

// Asks about unsaved changes, then opens the file (the one way into the editor). Reports
// failures itself.
void openfile(Workspace& ws, const std::string& fname);

// File menu: Open.
void mnuOpen_Click(Workspace& ws);

}  // namespace scrivane
