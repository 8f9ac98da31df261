#include <gtest/gtest.h>
#include <xxhash.h>

#include <random>

#include "recovery/checksum.h"
#include "recovery/first_version_checksum.h"
#include "recovery/recovery_record.h"

namespace scrivane {
namespace {

RecoveryHeader sampleHeader() {
    RecoveryHeader h;
    h.owner.pid = 4242;
    h.owner.startTicks = 987654321;
    for (std::size_t i = 0; i < h.owner.bootId.size(); ++i) {
        h.owner.bootId[i] = static_cast<unsigned char>(i * 17);
    }
    h.changedAt = 1796000000;
    h.selStart = 2;
    h.selLength = 3;
    h.tracking = true;
    return h;
}

std::uint64_t u64At(std::string_view bytes, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) {
        v |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return v;
}

void putU(std::string& out, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The document of a hand-built file of the first version (a header of 104 bytes, no line
// breaks, no marker flags), with its two checksums made by `sum`.
const std::string kOldPath = "/d/old.txt";
const std::string kOldText =
    "a\x06"
    "b\x06"
    "cd\x06"
    "e";
const std::vector<TextRun> kOldRuns{{3, kPlain}, {3, kInsertedBlue}, {2, kDeletedRed, true}};

std::string firstVersionFile(std::uint64_t (*sum)(std::string_view)) {
    const RecoveryHeader h = sampleHeader();
    std::string file = "ScrivRec";
    putU(file, 1, 4);
    putU(file, 1, 4);  // tracking
    putU(file, static_cast<std::uint64_t>(h.owner.pid), 8);
    putU(file, h.owner.startTicks, 8);
    file.append(reinterpret_cast<const char*>(h.owner.bootId.data()), h.owner.bootId.size());
    for (const std::uint64_t v : {std::uint64_t(h.changedAt), std::uint64_t{0}, std::uint64_t{1},
                                  std::uint64_t{kOldPath.size()}, std::uint64_t{kOldText.size()},
                                  std::uint64_t{kOldRuns.size()}}) {
        putU(file, v, 8);
    }
    putU(file, sum(file), 8);
    file += kOldPath + kOldText;
    for (const TextRun& run : kOldRuns) {
        putU(file, run.length, 8);
        putU(file, run.colour, 4);
        file += run.strike ? '\1' : '\0';
    }
    putU(file, sum(file), 8);
    return file;
}

std::uint64_t xxh3(std::string_view bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

TEST(Checksum, SameBytesSameSumHoweverCut) {
    std::mt19937 rng(7);
    for (std::size_t size : {0u, 1u, 31u, 32u, 33u, 100u, 1000u}) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        const std::uint64_t whole = checksumOf(bytes);
        for (int trial = 0; trial < 20; ++trial) {
            Checksum sum;
            std::size_t at = 0;
            while (at < size) {
                const std::size_t piece = std::min<std::size_t>(size - at, rng() % 40);
                sum.add(std::string_view(bytes).substr(at, piece));
                at += piece;
            }
            ASSERT_EQ(sum.value(), whole) << "size " << size;
        }
        // Trailing zero bytes are content, not padding.
        EXPECT_NE(checksumOf(bytes + '\0'), whole) << "size " << size;
    }
}

// Files of the first version carry these sums: any change to how it is computed would make
// every such file read as damaged.
TEST(FirstVersionChecksum, GivesTheSumsItAlwaysGave) {
    std::string pattern;
    for (int i = 0; i < 100; ++i) pattern += static_cast<char>(i * 37 + 11);
    const struct {
        std::size_t length;
        std::uint64_t sum;
    } cases[] = {
        {0, 0x0F5D7A0893626DB3ull},   {1, 0x0948C96F63B270A8ull},  {8, 0x8739F9C8D5C268D6ull},
        {31, 0x73A6EB9F53405C9Aull},  {32, 0x26D74A5AE2BE165Full}, {33, 0xCBF56A8F714B6B4Aull},
        {100, 0xD7ACB43F54B580A7ull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(firstVersionChecksumOf(std::string_view(pattern).substr(0, c.length)), c.sum)
            << "length " << c.length;
    }
}

TEST(RecoveryRecord, RoundTripsEveryKindOfDocument) {
    const struct {
        const char* name;
        std::string path;
        RichText content;
        bool tracking;
    } cases[] = {
        {"empty unnamed", "", {}, false},
        {"plain", "/home/u/notes.txt", {"one\r\ntwo", {}}, false},
        {"marked",
         "/tmp/a b.txt",
         {"ab\x06"
          "cd",
          {{2, kPlain}, {1, kInsertedBlue}, {2, kDeletedRed, true}}},
         true},
        {"markers and line breaks written otherwise",
         "/d/mixed.txt",
         {"a\r\n\x06"
          "b\r\nc\x06",
          {{3, kPlain}, {1, kDeletedRed, true, true}, {3, kDeletedRed, true}, {2, kPlain}},
          {{0, LineEnd::Lf}, {1, LineEnd::Cr}}},
         true},
        {"bytes and NULs in name and text",
         std::string("/r\xE9sum\xE9\0.txt", 13),
         {std::string("x\0y\xFF", 4), {}},
         false},
    };
    for (const auto& c : cases) {
        RecoveryHeader header = sampleHeader();
        header.tracking = c.tracking;
        header.selStart = 0;
        header.selLength = static_cast<Pos>(c.content.text.size());
        RecoveryRecord back;
        ASSERT_TRUE(decodeRecoveryFile(encodeRecoveryFile(header, c.path, c.content), back))
            << c.name;
        EXPECT_EQ(back.path, c.path) << c.name;
        EXPECT_EQ(back.content, c.content) << c.name;
        EXPECT_EQ(back.header.owner, header.owner) << c.name;
        EXPECT_EQ(back.header.tracking, c.tracking) << c.name;
        EXPECT_EQ(back.header.changedAt, header.changedAt) << c.name;
        EXPECT_EQ(back.header.selLength, header.selLength) << c.name;
    }
}

// A file of the first version: no line breaks, and its markers are the bytes 6 that begin
// coloured runs; a byte 6 in plain text is text.
TEST(RecoveryRecord, FilesOfTheFirstVersionStillRead) {
    RecoveryRecord record;
    ASSERT_TRUE(decodeRecoveryFile(firstVersionFile(firstVersionChecksumOf), record));
    EXPECT_EQ(record.header.version, 1u);
    EXPECT_EQ(record.path, kOldPath);
    EXPECT_EQ(record.content.text, kOldText);
    const std::vector<TextRun> read{{3, kPlain},
                                    {1, kInsertedBlue, false, true},
                                    {2, kInsertedBlue},
                                    {1, kDeletedRed, true, true},
                                    {1, kDeletedRed, true}};
    EXPECT_EQ(record.content.runs, read);
    EXPECT_TRUE(record.content.breaks.empty());
}

// The header's checksum and the trailer of a file of the version written now are the 64-bit
// XXH3 of the bytes before them; those of the first version its own. A file whose sums are of
// the other kind is refused.
TEST(RecoveryRecord, EachVersionIsCheckedWithItsOwnChecksum) {
    const std::string file = encodeRecoveryFile(
        sampleHeader(), "/d/f.txt",
        RichText{"ab\r\ncd", {{4, kPlain}, {2, kDeletedRed, true}}, {{0, LineEnd::Lf}}});
    const std::size_t sumAt = file.size() - kRecoveryTrailerSize;
    EXPECT_EQ(u64At(file, kRecoveryHeaderSize - 8), xxh3(file.substr(0, kRecoveryHeaderSize - 8)));
    EXPECT_EQ(u64At(file, sumAt), xxh3(file.substr(0, sumAt)));

    std::string otherSums = file.substr(0, kRecoveryHeaderSize - 8);
    putU(otherSums, firstVersionChecksumOf(otherSums), 8);
    otherSums.append(file, kRecoveryHeaderSize, sumAt - kRecoveryHeaderSize);
    putU(otherSums, firstVersionChecksumOf(otherSums), 8);
    RecoveryRecord record;
    EXPECT_TRUE(decodeRecoveryFile(file, record));
    EXPECT_FALSE(decodeRecoveryFile(otherSums, record));
    EXPECT_FALSE(decodeRecoveryFile(firstVersionFile(xxh3), record));
}

// Any one damaged byte anywhere (header, name, text, runs, checksum) is caught, as is any
// truncation: a recovery file is never half trusted.
TEST(RecoveryRecord, EveryDamagedByteAndEveryTruncationIsRefused) {
    const struct {
        const char* name;
        std::string good;
    } cases[] = {
        {"current version",
         encodeRecoveryFile(
             sampleHeader(), "/d/f.txt",
             RichText{"ab\ncdef", {{4, kPlain}, {3, kDeletedRed, true}}, {{0, LineEnd::Lf}}})},
        {"first version", firstVersionFile(firstVersionChecksumOf)},
    };
    for (const auto& c : cases) {
        const std::string& good = c.good;
        RecoveryRecord record;
        ASSERT_TRUE(decodeRecoveryFile(good, record)) << c.name;
        for (std::size_t at = 0; at < good.size(); ++at) {
            for (unsigned char flip : {0x01, 0x80, 0xFF}) {
                std::string bad = good;
                bad[at] = static_cast<char>(bad[at] ^ flip);
                EXPECT_FALSE(decodeRecoveryFile(bad, record)) << c.name << ", byte " << at;
            }
            EXPECT_FALSE(decodeRecoveryFile(good.substr(0, at), record))
                << c.name << ", cut at " << at;
        }
        EXPECT_FALSE(decodeRecoveryFile(good + "x", record)) << c.name;
    }
}

// Files whose checksums are right but whose content makes no sense: written by a faulty or
// foreign program, they are refused all the same.
TEST(RecoveryRecord, ConsistentChecksumsDoNotMakeNonsenseTrusted) {
    auto withRuns = [](std::vector<TextRun> runs, Pos selStart, Pos selLength) {
        RecoveryHeader h = sampleHeader();
        h.selStart = selStart;
        h.selLength = selLength;
        return encodeRecoveryFile(h, "/f", RichText{"abcd", std::move(runs)});
    };
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"runs short of the text", withRuns({{3, kPlain}}, 0, 0)},
        {"runs past the text", withRuns({{5, kPlain}}, 0, 0)},
        {"empty run", withRuns({{0, kPlain}, {4, kPlain}}, 0, 0)},
        {"caret past the end", withRuns({}, 5, 0)},
        {"selection past the end", withRuns({}, 2, 3)},
    };
    for (const auto& c : cases) {
        RecoveryRecord record;
        EXPECT_FALSE(decodeRecoveryFile(c.bytes, record)) << c.name;
    }
    RecoveryHeader huge = sampleHeader();
    huge.textLength = ~std::uint64_t{0} - 50;
    RecoveryHeader read;
    EXPECT_FALSE(decodeRecoveryHeader(encodeRecoveryHeader(huge), read));
    RecoveryHeader noOwner = sampleHeader();
    noOwner.owner.pid = 0;
    EXPECT_FALSE(decodeRecoveryHeader(encodeRecoveryHeader(noOwner), read));
}

}  // namespace
}  // namespace scrivane
