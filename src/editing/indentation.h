#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "document/workspace.h"

namespace scrivane {

// The indentation a new line takes over from the line above: its leading blanks and tabs.
std::string_view leadingIndent(std::string_view lineAbove);

// Auto-Indent: flips the switch; the menu shows it, the settings file keeps it.
void mnuIndent_Click(Workspace& ws);

// At the start of every line, each of the first 20 indentation characters that is `chold`
// becomes `chnew`, one for one. Only those bytes change: converted ones take the typing colour
// (struck ones stay struck), all other marking is kept. Calls `beforeChange` (the undo
// snapshot) once, only when something is about to change. Returns the number of bytes
// converted.
std::size_t fixindents(Workspace& ws, char chold, char chnew,
                       const std::function<void()>& beforeChange);

// Fix Indents (Ctrl+I): leading blanks become tabs.
std::size_t mnuFixIndents_Click(Workspace& ws, const std::function<void()>& beforeChange);

}  // namespace scrivane
