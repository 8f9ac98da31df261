#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"
#include "recovery/process_identity.h"

namespace scrivane {

// What a recovery file says about the document besides its text and marking. The file is:
// this header (fixed size, with its own checksum), the document's path, its text, its runs,
// and a checksum of everything before it. Numbers are little-endian.
struct RecoveryHeader {
    ProcessIdentity owner;       // the editor that wrote it
    std::int64_t changedAt = 0;  // seconds since 1970 of the last change it holds
    Pos selStart = 0;
    Pos selLength = 0;
    bool tracking = false;  // Track Changes was on
    std::uint64_t pathLength = 0;
    std::uint64_t textLength = 0;
    std::uint64_t runCount = 0;
    bool operator==(const RecoveryHeader&) const = default;
};

// A whole recovery file, read back.
struct RecoveryRecord {
    RecoveryHeader header;
    std::string path;  // the document's file name as bytes; empty for an unnamed document
    RichText content;
};

inline constexpr std::size_t kRecoveryHeaderSize = 104;
inline constexpr std::size_t kRecoveryRunSize = 13;
inline constexpr std::size_t kRecoveryTrailerSize = 8;

// The header's bytes (lengths as given).
std::string encodeRecoveryHeader(const RecoveryHeader& header);
// Reads a header; false when the bytes are not an intact header of a version this program
// knows.
bool decodeRecoveryHeader(std::string_view bytes, RecoveryHeader& header);

// The size of the whole file the header describes; 0 when the lengths cannot add up.
std::uint64_t recoveryFileSize(const RecoveryHeader& header);

std::string encodeRecoveryRuns(const std::vector<TextRun>& runs);
// Reads `count` runs; false unless they are well formed and cover exactly `textLength`
// bytes (no runs at all: a plain text).
bool decodeRecoveryRuns(std::string_view bytes, std::uint64_t count, std::uint64_t textLength,
                        std::vector<TextRun>& runs);

// A whole file's bytes, for tests and small documents (the writer streams instead).
std::string encodeRecoveryFile(const RecoveryHeader& header, std::string_view path,
                               const RichText& content);

// Checks and reads a whole file's bytes. False, with `record` untouched, when anything in
// it is damaged: wrong size, a checksum that does not match, runs that do not cover the
// text, a caret outside it. The text is moved out of `bytes`, not copied.
bool decodeRecoveryFile(std::string bytes, RecoveryRecord& record);

}  // namespace scrivane
