#pragma once

#include <string>
#include <string_view>

#include "files/file_bytes.h"
#include "files/file_save.h"
#include "platform/pure/line_ends.h"

namespace scrivane {

// Reads a file as a document: every line break becomes CR LF (what the editing surface holds),
// with what it takes to write each break back as it was. Only a regular file (or a link to
// one) is read, as openForReading says. The file is read, never mapped: one that shrinks or
// fails while it is read gives an error or the bytes read.
bool readDocumentFile(const std::string& path, DocumentText& doc, std::string& error);

// Tests, without changing anything, that `path` could be written: an existing file must open
// for writing, a missing one needs an existing directory.
bool checkWritable(const std::string& path, std::string& error);

// "<description> opening <path>", the one form every file error is reported in.
std::string openingError(const std::string& description, const std::string& path);

}  // namespace scrivane
