#pragma once

#include <string>

#include "document/workspace.h"

namespace scrivane {

// A time of day as "h:Nn AM/PM" in local time: hour on the 12-hour clock without a leading
// zero, two-digit minutes.
std::string formatTime(TimePoint t);

// The caption "Scrivane ver. 1.2 - <file> (line <caret>/<count>[ unmodified])".
std::string captionText(const std::string& filename, const CaretStatus& status, bool unchanged);

// Caret line and line count of the surface.
CaretStatus caretStatus(const RichTextBox& mergedoc);

// Refreshes the caption, the status label, and the caret line and line count.
void setcaption(Workspace& ws);

}  // namespace scrivane
