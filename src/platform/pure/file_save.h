#pragma once

#include <string>
#include <string_view>

struct stat;

namespace scrivane {

// How an existing regular file gets its new content.
enum class SaveWay {
    // A flushed temporary file beside it is renamed over it: the file is at every moment
    // either its old or its new content.
    Rename,
    // The new bytes are written into the file itself, after a flushed copy of the old content
    // was made elsewhere: the only way to keep a second hard link, an owner or group we
    // cannot give a new file, or a file in a directory that refuses new files or the rename.
    InPlace,
};

// The way that keeps everything a user relies on for the file `st` describes, saved by the
// effective user `uid`: `inOurGroups` tells whether that user may give a file the file's
// group, `dirWritable` whether the directory takes new files.
SaveWay chooseSaveWay(const struct stat& st, unsigned uid, bool inOurGroups, bool dirWritable);

// Replaces the content of the file named `path` (its bytes, as the file system has them) with
// `bytes`. A symbolic link is followed and keeps pointing at the file; mode, owner, group and
// hard links are kept. A missing file is created (through a temporary file, so that it never
// exists half written). A FIFO or a device is written directly, never blocking on a FIFO
// without a reader. On failure returns false with the system's description of the error in
// `error`; the old content is then intact, or, if even putting it back failed, kept in a copy
// that `error` names.
bool saveFileBytes(const std::string& path, std::string_view bytes, std::string& error);

// Where the copies of old content live while a file is written in place: a private directory
// (0700) under the user's state directory.
std::string saveBackupDir();

}  // namespace scrivane
