#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recovery/recovery_record.h"

namespace scrivane {

// The directory of recovery files: private to the user (mode 0700), one file per document
// and editor process, each mode 0600 and replaced only whole (written beside, flushed,
// renamed over). Every call reports failure with the system's description in `error`.
class RecoveryStore {
  public:
    explicit RecoveryStore(std::string dir) : dir_(std::move(dir)) {}

    const std::string& dir() const { return dir_; }

    // Creates the directory (and missing parents) private to the user, or checks that the
    // existing one is a real directory of this user that nobody else can enter, tightening
    // its mode when it is ours but looser. Temporaries left by writes of editors that have
    // ended are removed.
    bool prepare(std::string& error) const;

    // The file for a document (by its path's bytes; "" for an unnamed one) kept by `owner`,
    // named by the document's `recoveryKey`. The owner's start time is part of the name: a
    // process that was given the id of an ended editor must not write over that editor's file.
    std::string fileFor(std::string_view docPath, const ProcessIdentity& owner) const;

    // Writes a complete record to the temporary name beside `file`: header, path, text,
    // runs, line breaks, checksum, flushed to disk. Returns the temporary's name, or "" on
    // failure.
    std::string writeTemporary(const std::string& file, RecoveryHeader header,
                               std::string_view path, std::string_view text,
                               const std::vector<TextRun>& runs,
                               const std::vector<LineBreak>& breaks, std::string& error) const;
    // Puts a written temporary in place of `file`, durably.
    bool commit(const std::string& temporary, const std::string& file, std::string& error) const;

    // A recovery file found for a document.
    struct Found {
        std::string file;
        RecoveryHeader header;
        bool damaged = false;  // its header is unreadable: it cannot be trusted or attributed
    };
    // The recovery files kept for `docPath` by any process, whichever name of the same file
    // they were written under (see `sameDocument`), and those editors of the first version
    // named otherwise. Files whose header names another document are left out.
    std::vector<Found> find(std::string_view docPath) const;

    // Reads and checks a whole file. False when it cannot be read (`error` set) or is
    // damaged (`error` empty).
    bool read(const std::string& file, RecoveryRecord& record, std::string& error) const;

    // Removes a file; a file already gone is no failure.
    bool remove(const std::string& file) const;
    // Renames a damaged file out of the way, so that it is neither offered again nor lost;
    // returns its new name ("" when it could not be moved).
    std::string moveAside(const std::string& file) const;

  private:
    void removeStaleTemporaries() const;

    std::string dir_;
};

// The path that names a document's recovery files: the file itself, whichever name (a
// symbolic link, a path through a linked directory) it was opened by, so that an editor that
// ended while editing it through one name leaves its work for the next opening by another. A
// file not made yet goes by its directory resolved and its own name; an unnamed document by "".
std::string recoveryKey(std::string_view docPath);

// Whether two document paths name the same document: the same bytes, or the same file.
bool sameDocument(std::string_view a, std::string_view b);

// $XDG_STATE_HOME/Scrivane/recovery, or ~/.local/state/Scrivane/recovery.
std::string defaultRecoveryDir();

}  // namespace scrivane
