#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"
#include "recovery/process_identity.h"

namespace scrivane {

// The version this program writes. Version 1 had no line breaks and no marker flag (its
// documents read with every byte 6 that begins a coloured run as a marker), and checksums of
// its own (recovery/first_version_checksum.h) where later versions have XXH3.
inline constexpr std::uint32_t kRecoveryVersion = 2;

// What a recovery file says about the document besides its text and marking. The file is:
// this header (fixed size for its version, with its own checksum), the document's path, its
// text, its runs, its line breaks, and a checksum of everything before it (both checksums are
// the 64-bit XXH3 of the bytes they cover). Numbers are little-endian.
struct RecoveryHeader {
    std::uint32_t version = kRecoveryVersion;
    ProcessIdentity owner;       // the editor that wrote it
    std::int64_t changedAt = 0;  // seconds since 1970 of the last change it holds
    Pos selStart = 0;
    Pos selLength = 0;
    bool tracking = false;  // Track Changes was on
    std::uint64_t pathLength = 0;
    std::uint64_t textLength = 0;
    std::uint64_t runCount = 0;
    std::uint64_t breakCount = 0;
    bool operator==(const RecoveryHeader&) const = default;
};

// A whole recovery file, read back.
struct RecoveryRecord {
    RecoveryHeader header;
    std::string path;  // the document's file name as bytes; empty for an unnamed document
    RichText content;
};

// The size of the header of the version written now; no header of an older version is
// larger, and no whole file of any version smaller.
inline constexpr std::size_t kRecoveryHeaderSize = 112;
inline constexpr std::size_t kRecoveryRunSize = 13;
inline constexpr std::size_t kRecoveryBreakSize = 9;
inline constexpr std::size_t kRecoveryTrailerSize = 8;

// The header's bytes (lengths as given).
std::string encodeRecoveryHeader(const RecoveryHeader& header);
// Reads a header; false when the bytes are not an intact header of a version this program
// knows.
bool decodeRecoveryHeader(std::string_view bytes, RecoveryHeader& header);

// The size of the whole file the header describes; 0 when the lengths cannot add up.
std::uint64_t recoveryFileSize(const RecoveryHeader& header);

// The runs and the line breaks, as they follow the text.
std::string encodeRecoveryMarking(const std::vector<TextRun>& runs,
                                  const std::vector<LineBreak>& breaks);

// A whole file's bytes in the version written now, for tests and small documents (the writer
// streams instead).
std::string encodeRecoveryFile(const RecoveryHeader& header, std::string_view path,
                               const RichText& content);

// Checks and reads a whole file's bytes. False, with `record` untouched, when anything in
// it is damaged: wrong size, a checksum that does not match, runs that do not cover the
// text, a caret outside it. The text is moved out of `bytes`, not copied.
bool decodeRecoveryFile(std::string bytes, RecoveryRecord& record);

}  // namespace scrivane
