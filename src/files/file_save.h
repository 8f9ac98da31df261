#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/pure/line_ends.h"
#include "platform/pure/process_identity.h"

struct stat;

namespace scrivane {

// How an existing regular file gets its new content.
enum class SaveWay {
    // A flushed temporary file beside it is renamed over it: the file is at every moment
    // either its old or its new content.
    Rename,
    // The new bytes are written into the file itself, after a flushed copy of the old content
    // was made elsewhere: the only way to keep a second hard link, an owner or group we
    // cannot give a new file, an extended attribute (ACL, security label) we cannot set, or
    // a file in a directory that refuses new files or the rename.
    InPlace,
};

// The way that keeps everything a user relies on for the file `st` describes, saved by the
// effective user `uid`: `inOurGroups` tells whether that user may give a file the file's
// group, `dirWritable` whether the directory takes new files.
SaveWay chooseSaveWay(const struct stat& st, unsigned uid, bool inOurGroups, bool dirWritable);

// Replaces the content of the file named `path` (its bytes, as the file system has them) with
// `bytes`. A symbolic link is followed and keeps pointing at the file; mode, owner, group,
// extended attributes and hard links are kept. A missing file is created (through a temporary file,
// so that it never exists half written). A FIFO or a device is written directly, never blocking on
// a FIFO without a reader. On failure returns false with the system's description of the error in
// `error`; the old content is then intact, or, if even putting it back failed, kept in a copy
// that `error` names.
// `progress` hears how far the save is as it goes on.
struct SaveProgress {
    std::uint64_t written = 0;  // bytes of the new content written so far
    // A file written in place first has its old content copied aside: `copiedAside` of its
    // `oldSize` bytes (both 0 for any other save).
    std::uint64_t copiedAside = 0;
    std::uint64_t oldSize = 0;
};
using WriteProgress = std::function<void(const SaveProgress&)>;
bool saveFileBytes(const std::string& path, std::string_view bytes, std::string& error,
                   const WriteProgress& progress = {});

// The same with the bytes given piece by piece, so that a large document is never held whole
// in its file form: each call of the source hands every piece in order to the sink, and stops
// with false as soon as the sink refuses one. A save may call it twice (the file written in
// place after a refused rename).
using ByteSource = std::function<bool(const PieceSink& sink)>;
bool saveFileBytes(const std::string& path, const ByteSource& bytes, std::string& error,
                   const WriteProgress& progress = {});

// The start of the name of every temporary file that `who` makes beside a file it saves:
// ".scrivane-", then its boot, process id and start time, so that a later save can tell one
// left behind by a process that has ended. Six random characters follow.
std::string saveTemporaryStem(const ProcessIdentity& who);

// Removes from `dir` the user's temporary files of saves whose process has ended: made in
// this boot by a process that no longer runs, or last changed before the system started
// (`booted`, seconds since 1970; also the ".NAME.scrivane-XXXXXX" of earlier versions for
// the file `savedName`). Whatever cannot be told apart is left alone. Saving a file does
// this for its directory.
void removeStaleTemporaries(const std::string& dir, const std::string& savedName,
                            const ProcessIdentity& self, std::int64_t booted);

// Where the copies of old content live while a file is written in place: a private directory
// (0700) under the user's state directory.
std::string saveBackupDir();

}  // namespace scrivane
