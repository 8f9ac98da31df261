#pragma once

#include <string>

#include "document/workspace.h"

namespace scrivane {

// Where the settings file is read from and written to.
std::string settingsFilePath(Services& services);

// Reads the settings file and applies it to the workspace and the surface's font; a missing
// or unreadable file changes nothing. Ends by rebuilding the template and the recent menu.
void loadSettings(Workspace& ws);

// Writes the settings file (atomically). Ends by rebuilding the template and the recent menu.
void saveSettings(Workspace& ws);

// Puts `fname` at the head of the recent-files list and writes the settings.
void setRecent(Workspace& ws, const std::string& fname);

}  // namespace scrivane
