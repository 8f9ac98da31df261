#pragma once

#include <string>
#include <string_view>

#include "platform/pure/file_bytes.h"
#include "platform/pure/line_ends.h"

namespace scrivane {

// Reads a file as a document: every line break becomes CR LF (what the editing surface holds),
// and `ends` tells the file's own convention so that saving can write it back. Maps the file
// rather than reading it into a buffer first, so a large file is copied only once.
bool readDocumentFile(const std::string& path, std::string& text, LineEnds& ends,
                      std::string& error);

// Tests, without changing anything, that `path` could be written: an existing file must open
// for writing, a missing one needs an existing directory.
bool checkWritable(const std::string& path, std::string& error);

// Replaces the file's content with `bytes` so that the old content survives any failure:
// the bytes go to a temporary file in the same directory, which is flushed and renamed over
// the file (a symbolic link is followed and keeps pointing at the file; permissions are
// kept). Only where the directory cannot take a temporary file, or the target is not a
// regular file, is it written in place.
bool writeFileSafely(const std::string& path, std::string_view bytes, std::string& error);

// "<description> opening <path>", the one form every file error is reported in.
std::string openingError(const std::string& description, const std::string& path);

}  // namespace scrivane
