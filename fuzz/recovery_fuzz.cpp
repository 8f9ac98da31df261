// Feeds arbitrary bytes to the recovery file reader. It must never crash, read out of bounds
// or allocate without bound; whatever it accepts must be a well-formed record, which writes
// back to exactly the same bytes (one of an older version: to bytes that read back the same).
// The input also goes in as a damaged copy of a valid file (its first bytes taken as a place to
// change and a byte to put there), so that the fuzzer reaches beyond the header's checksum.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "recovery/recovery_record.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "recovery_fuzz: %s\n", what);
        std::abort();
    }
}

void readAndCompare(const std::string& bytes) {
    using namespace scrivane;
    RecoveryRecord record;
    if (!decodeRecoveryFile(bytes, record)) return;
    std::size_t covered = 0;
    for (const TextRun& run : record.content.runs) covered += run.length;
    check(record.content.runs.empty() || covered == record.content.text.size(),
          "runs do not cover the text");
    check(record.header.selStart + record.header.selLength <=
              static_cast<Pos>(record.content.text.size()),
          "selection past the text");
    const std::string written = encodeRecoveryFile(record.header, record.path, record.content);
    if (record.header.version == kRecoveryVersion) {
        check(written == bytes, "an accepted file does not write back to the same bytes");
    } else {
        // An older version is written anew in the current one, holding the same.
        RecoveryRecord again;
        check(decodeRecoveryFile(written, again) && again.path == record.path &&
                  again.content == record.content,
              "an older file does not read back the same once written anew");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace scrivane;
    if (size > 4096) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    readAndCompare(input);

    if (size < 3) return 0;
    RecoveryHeader header;
    header.owner.pid = 77;
    const std::string text = input.substr(3);
    header.selLength = static_cast<Pos>(std::min<std::size_t>(2, text.size()));
    const std::string valid = encodeRecoveryFile(
        header, "/d/notes.txt",
        RichText{text, text.size() < 2 ? std::vector<TextRun>{}
                                       : std::vector<TextRun>{{1, kDeletedRed, true},
                                                              {text.size() - 1, kPlain}}});
    std::string damaged = valid;
    const std::size_t at = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % damaged.size();
    damaged[at] = static_cast<char>(data[2]);
    RecoveryRecord record;
    check(decodeRecoveryFile(damaged, record) == (damaged == valid),
          "a changed byte went unnoticed, or an intact file was refused");
    readAndCompare(damaged);
    return 0;
}
