#pragma once

#include <string>

#include "document/workspace.h"

namespace scrivane {

// Writes the document's real content to `fname` with the file's own line ends, warning first
// when the file changed on disk since it was opened or saved. True when it was saved. An
// empty name asks for one (Save As).
bool savefile(Workspace& ws, const std::string& fname);

// Asks for a name with the Save dialog, then saves under it.
bool savefileas(Workspace& ws);

// The warning shown when the file changed on disk.
std::string changedOnDiskMessage(const std::string& fname, const DocumentState& doc,
                                 TimePoint modified);

}  // namespace scrivane
