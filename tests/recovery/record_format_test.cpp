#include <gtest/gtest.h>

#include <random>

#include "recovery/checksum.h"
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
    const auto u = [](std::string& out, std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const RecoveryHeader h = sampleHeader();
    const std::string path = "/d/old.txt";
    const std::string text =
        "a\x06"
        "b\x06"
        "cd\x06"
        "e";
    const std::vector<TextRun> runs{{3, kPlain}, {3, kInsertedBlue}, {2, kDeletedRed, true}};
    std::string file = "ScrivRec";
    u(file, 1, 4);
    u(file, 1, 4);  // tracking
    u(file, static_cast<std::uint64_t>(h.owner.pid), 8);
    u(file, h.owner.startTicks, 8);
    file.append(reinterpret_cast<const char*>(h.owner.bootId.data()), h.owner.bootId.size());
    for (const std::uint64_t v :
         {std::uint64_t(h.changedAt), std::uint64_t{0}, std::uint64_t{1},
          std::uint64_t{path.size()}, std::uint64_t{text.size()}, std::uint64_t{runs.size()}}) {
        u(file, v, 8);
    }
    u(file, checksumOf(file), 8);
    file += path + text;
    for (const TextRun& run : runs) {
        u(file, run.length, 8);
        u(file, run.colour, 4);
        file += run.strike ? '\1' : '\0';
    }
    u(file, checksumOf(file), 8);

    RecoveryRecord record;
    ASSERT_TRUE(decodeRecoveryFile(file, record));
    EXPECT_EQ(record.header.version, 1u);
    EXPECT_EQ(record.path, path);
    EXPECT_EQ(record.content.text, text);
    const std::vector<TextRun> read{{3, kPlain},
                                    {1, kInsertedBlue, false, true},
                                    {2, kInsertedBlue},
                                    {1, kDeletedRed, true, true},
                                    {1, kDeletedRed, true}};
    EXPECT_EQ(record.content.runs, read);
    EXPECT_TRUE(record.content.breaks.empty());
}

// Any one damaged byte anywhere (header, name, text, runs, checksum) is caught, as is any
// truncation: a recovery file is never half trusted.
TEST(RecoveryRecord, EveryDamagedByteAndEveryTruncationIsRefused) {
    const std::string good = encodeRecoveryFile(
        sampleHeader(), "/d/f.txt", RichText{"abcdef", {{3, kPlain}, {3, kDeletedRed, true}}});
    RecoveryRecord record;
    ASSERT_TRUE(decodeRecoveryFile(good, record));
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string bad = good;
            bad[at] = static_cast<char>(bad[at] ^ flip);
            EXPECT_FALSE(decodeRecoveryFile(bad, record)) << "byte " << at;
        }
        EXPECT_FALSE(decodeRecoveryFile(good.substr(0, at), record)) << "cut at " << at;
    }
    EXPECT_FALSE(decodeRecoveryFile(good + "x", record));
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
