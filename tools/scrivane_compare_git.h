#pragma once

#include <string>
#include <vector>

#include "scrivane_compare_ansi.h"

namespace scrivane::compare_tool {

// git runs an external diff (GIT_EXTERNAL_DIFF, diff.external) once per changed path with
//   PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE [NEW-PATH MESSAGE]
// (the last two for a rename or copy; a missing side is /dev/null with "." for hex and mode),
// and with PATH alone for an unmerged path, always with GIT_DIFF_PATH_COUNTER set.
bool isGitCall(const std::vector<std::string>& files, bool gitEnvironment);

// What to print for each path.
enum class GitBody { Text, Count };

// Prints git's header for the path and the character-level difference (`style` marks the
// runs), or only the number of differences; returns 0 so that git goes on with the next
// path, 2 when a file cannot be read or the output cannot be written (git then stops).
int gitExternalDiff(const std::vector<std::string>& files, GitBody body, const AnsiStyle& style);

// `path` as git writes it in a header: quoted, with C escapes, when it holds a quote, a
// backslash or a control character.
std::string gitQuoted(const std::string& path);

}  // namespace scrivane::compare_tool
