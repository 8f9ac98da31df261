#pragma once

#include "document/workspace.h"

namespace scrivane {

// What the label beside the search bar says while the document is a file too large to edit.
inline constexpr const char* kReadOnlyNotice = "Read-only: a file this large cannot be edited";

// True, and the label says why, when the document cannot be changed: each command that would
// change it asks first and does nothing then.
bool refuseEdit(Workspace& ws);

}  // namespace scrivane
