#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

struct stat;

namespace scrivane {

// Reading files as bytes, the one way every part of the editor reads them. On failure each
// returns false (or -1) with a description of the error in `error`: the system's (strerror
// wording), or "Not a regular file".

// Opens a regular file (or a link to one) for reading. Anything else is refused before it is
// opened, never waited on or read without end: "Is a directory", or "Not a regular file" for
// a FIFO, a socket or a device. Returns the descriptor, or -1.
int openForReading(const std::string& path, struct stat& st, std::string& error);

// Reads `fd` to its end into `bytes`: first into a buffer of the file's size, then beyond it,
// since pipes report no size and a file may grow while it is read.
bool readAll(int fd, const struct stat& st, std::string& bytes, std::string& error);

// Reads up to `length` bytes, again when a signal interrupted it: 0 at the end of the file,
// -1 on error (errno set).
ssize_t readSome(int fd, char* into, std::size_t length);

// A whole file's bytes.
bool readFileBytes(const std::string& path, std::string& bytes, std::string& error);

// A whole file's text with every line break made CR LF, as the editor holds text (fixlines).
// The buffer is taken with room for every byte to become a pair, so the widening needs no
// second buffer: only the pages written to are ever in memory.
bool readFileAsCrLf(const std::string& path, std::string& text, std::string& error);

// The last part of a path, the name a user knows the file by.
inline std::string fileNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

}  // namespace scrivane
