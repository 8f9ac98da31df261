#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace scrivane {

// File-system questions asked with a name's own bytes: a name that is not valid UTF-8 reaches
// the disk unchanged.

// The file's modification time, to the nanosecond the file system keeps; nullopt when the
// file cannot be examined.
std::optional<std::chrono::system_clock::time_point> fileModified(const std::string& path);

// True when something of exactly that name exists (a dangling symbolic link included).
bool nameExists(const std::string& path);

// The first regular, not hidden file in `dir` whose name matches the wildcard `pattern` ('*',
// '?', '[...]'), with letter case; "" when there is none.
std::string firstMatch(const std::string& dir, const std::string& pattern);

std::string currentDir();
bool setCurrentDir(const std::string& dir);
// Creates `dir` and any missing parents; true when it is a directory afterwards.
bool makeDirs(const std::string& dir, unsigned mode = 0777);

// `path` without "." components, repeated separators, a trailing separator, or a ".." that
// follows a named directory; symbolic links are not looked at ("/a/./b//c/../d" gives
// "/a/b/d"). A relative path stays relative; "" gives "".
std::string cleanPath(const std::string& path);

}  // namespace scrivane
