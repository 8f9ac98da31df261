#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// Where Block Check writes the blocks of the last comparison: blocks.txt in a directory of
// this user's alone (mode 0700) under the runtime directory, or under the temporary directory
// when there is none.
std::string blockCheckPath();

// Writes `content` to blockCheckPath(), creating the private directory when missing. A
// directory that is not ours alone, or a symbolic link planted in the file's place, is never
// written through. False with the system's description in `error` on failure; `path` is set
// either way.
bool writeBlockCheckFile(std::string_view content, std::string& path, std::string& error);

}  // namespace scrivane
