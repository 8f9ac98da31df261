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
