#include "platform/pure/line_ends.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/pure/line_end_stream.h"
#include "platform/pure/random_docs.h"

namespace scrivane {
namespace {

// Up to `below` - 1 bytes drawn from `alphabet`.
template <std::size_t N>
std::string randomOf(std::mt19937& rng, const char (&alphabet)[N], std::size_t below) {
    std::string bytes;
    const std::size_t length = rng() % below;
    for (std::size_t i = 0; i < length; ++i) bytes += alphabet[rng() % N];
    return bytes;
}

struct FixCase {
    const char* name;
    std::string in;
    std::string out;
};

TEST(FixLines, Table) {
    const FixCase cases[] = {
        {"empty", "", ""},
        {"lone CR", "abc\rdef", "abc\r\ndef"},
        {"LF only", "a\nb\nc", "a\r\nb\r\nc"},
        {"CR LF throughout", "a\r\nb\r\nc", "a\r\nb\r\nc"},
        // Only the first and the last break are looked at.
        {"bare LF between CR LF", "\r\na\nb\r\n", "\r\na\nb\r\n"},
        {"single leading LF", "\nabc", "\nabc"},
        {"no break", "one line", "one line"},
        {"trailing lone CR", "a\r\nb\r", "a\r\nb\r\n"},
        {"leading lone CR", "\ra\r\nb", "\r\na\r\nb"},
        {"LF CR reads as two breaks", "a\n\rb", "a\r\n\r\nb"},
        {"CR CR LF", "a\r\r\nb", "a\r\n\r\nb"},
        {"mixed, LF last", "a\r\nb\nc\n", "a\r\nb\r\nc\r\n"},
        {"only CRs", "\r\r", "\r\n\r\n"},
    };
    for (const FixCase& c : cases) {
        std::string s = c.in;
        fixlines(s);
        EXPECT_EQ(s, c.out) << c.name;
    }
}

// The three whole-string replacements the normaliser stands for, done the slow way.
std::string replaceEach(std::string s, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t i = 0;
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, i)) {
        out += s.substr(i, at - i) + to;
        i = at + from.size();
    }
    return out + s.substr(i);
}

TEST(FixLines, MatchesThreeReplacementsOnRandomText) {
    std::mt19937 rng(1234);
    for (int n = 0; n < 3000; ++n) {
        std::string s = testing::randomBytes(rng, 40);
        std::string expected = s;
        if (!expected.empty()) {
            const auto pos = [](std::size_t p) { return p == std::string::npos ? 0 : p + 1; };
            const bool looksCrLf = pos(s.rfind('\n')) == pos(s.rfind('\r')) + 1 &&
                                   pos(s.find('\n')) == pos(s.find('\r')) + 1;
            if (!looksCrLf) {
                expected = replaceEach(expected, "\r\n", "\n");
                expected = replaceEach(expected, "\r", "\n");
                expected = replaceEach(expected, "\n", "\r\n");
            }
        }
        fixlines(s);
        ASSERT_EQ(s, expected) << "case " << n;
    }
}

TEST(ToCrLf, Table) {
    const FixCase cases[] = {
        {"empty", "", ""},
        {"no break", "abc", "abc"},
        {"lone LF", "a\nb", "a\r\nb"},
        {"lone CR at end", "a\r", "a\r\n"},
        {"CR LF kept", "a\r\n", "a\r\n"},
        {"LF CR", "\n\r", "\r\n\r\n"},
        {"CR CR LF LF", "\r\r\n\n", "\r\n\r\n\r\n"},
        {"NUL kept", std::string("a\0b\n", 4), std::string("a\0b\r\n", 5)},
    };
    for (const FixCase& c : cases) {
        EXPECT_EQ(toCrLf(c.in), c.out) << c.name;
        std::string inPlace = c.in;
        toCrLfInPlace(inPlace);
        EXPECT_EQ(inPlace, c.out) << c.name << " (in place)";
        EXPECT_EQ(firstLoneBreak(c.in) == c.in.size(), c.in == c.out) << c.name;
    }
}

// Texts with short and long lines and breaks of every form, against a byte-by-byte reading.
TEST(LineEnds, AgreeWithAByteByByteReading) {
    std::mt19937 rng(8);
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        const std::size_t lineLimit = round % 5 == 0 ? 700 : 20;  // past the short-line scan
        const std::size_t pieces = rng() % 12;
        for (std::size_t p = 0; p < pieces; ++p) {
            s.append(rng() % lineLimit, static_cast<char>('a' + rng() % 3));
            static constexpr const char* kBreaks[] = {"\r\n", "\r", "\n", "\n\r", "\r\r\n"};
            s.append(kBreaks[rng() % (round % 2 == 0 ? 1 : 5)]);
        }
        s.append(rng() % lineLimit, 'z');
        std::string expected;
        std::size_t crlf = 0, cr = 0, lf = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
                expected += "\r\n";
                ++crlf;
                ++i;
            } else if (s[i] == '\r' || s[i] == '\n') {
                expected += "\r\n";
                ++(s[i] == '\r' ? cr : lf);
            } else {
                expected += s[i];
            }
        }
        ASSERT_EQ(toCrLf(s), expected) << round;
        // Read with exactly the room the bytes take, and with room to widen them in place.
        std::string roomy = s;
        roomy.reserve(s.size() * 2 + 1);
        ASSERT_EQ(readLineEnds(std::string(s), LineEnds::Lf).text, expected) << round;
        ASSERT_EQ(readLineEnds(std::move(roomy), LineEnds::Lf).text, expected) << round;
        const std::size_t lone = firstLoneBreak(s);
        ASSERT_EQ(lone == s.size(), cr == 0 && lf == 0) << round;
        ASSERT_EQ(s.substr(0, lone), expected.substr(0, lone)) << round;
        if (lone < s.size()) {
            ASSERT_NE(s.substr(0, lone + 2), expected.substr(0, lone + 2)) << round;
        }
        // The most used ending; CR LF wins a tie it is part of, LF one with CR.
        const LineEnds ends = crlf + cr + lf == 0        ? LineEnds::Lf
                              : crlf >= lf && crlf >= cr ? LineEnds::CrLf
                              : lf >= cr                 ? LineEnds::Lf
                                                         : LineEnds::Cr;
        ASSERT_EQ(detectLineEnds(s, LineEnds::Lf), ends) << round;
    }
}

TEST(DetectLineEnds, Table) {
    struct Case {
        std::string bytes;
        LineEnds fallback;
        LineEnds expected;
    };
    const Case cases[] = {
        {"", LineEnds::Lf, LineEnds::Lf},           {"abc", LineEnds::Cr, LineEnds::Cr},
        {"a\nb\n", LineEnds::CrLf, LineEnds::Lf},   {"a\rb\r", LineEnds::Lf, LineEnds::Cr},
        {"a\r\nb", LineEnds::Lf, LineEnds::CrLf},   {"a\nb\r\n", LineEnds::Lf, LineEnds::CrLf},
        {"a\nb\r", LineEnds::Lf, LineEnds::Lf},     {"\r", LineEnds::Lf, LineEnds::Cr},
        {"\n\r", LineEnds::Lf, LineEnds::Lf},       {"a\nb\nc\r\n", LineEnds::Cr, LineEnds::Lf},
        {"\r\r\n\n", LineEnds::Lf, LineEnds::CrLf},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detectLineEnds(c.bytes, c.fallback), c.expected)
            << ::testing::PrintToString(c.bytes);
    }
}

TEST(FromCrLf, Table) {
    struct Case {
        std::string text;
        LineEnds ends;
        std::string expected;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", LineEnds::Lf, "a\nb\n"},       {"a\r\nb\r\n", LineEnds::Cr, "a\rb\r"},
        {"a\r\nb\r\n", LineEnds::CrLf, "a\r\nb\r\n"}, {"", LineEnds::Lf, ""},
        {"no break", LineEnds::Cr, "no break"},       {"\r\n\r\n", LineEnds::Lf, "\n\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fromCrLf(c.text, c.ends), c.expected) << ::testing::PrintToString(c.text);
    }
}

TEST(FromCrLf, SavedFileReadsBackAsTheDocument) {
    std::mt19937 rng(99);
    for (int n = 0; n < 2000; ++n) {
        const std::string doc = toCrLf(testing::randomBytes(rng, 30));
        for (const LineEnds ends : {LineEnds::Lf, LineEnds::Cr, LineEnds::CrLf}) {
            const std::string file = fromCrLf(doc, ends);
            ASSERT_EQ(toCrLf(file), doc);
            if (file.find_first_of("\r\n") != std::string::npos) {
                ASSERT_EQ(detectLineEnds(file, LineEnds::CrLf), ends);
            }
        }
    }
}

// Every helper agrees with the others on a large text of short LF lines (their speed is in
// bench/text_bench).
TEST(LineEnds, LargeTextOfShortLines) {
    constexpr std::size_t kBigSize = 5'000'000;
    std::string lf;
    lf.reserve(kBigSize);
    while (lf.size() < kBigSize) lf += "some words of a line\n";
    const std::string crlf = toCrLf(lf);
    std::string fixed = lf;
    fixlines(fixed);
    EXPECT_EQ(fixed, crlf);
    EXPECT_EQ(detectLineEnds(lf, LineEnds::CrLf), LineEnds::Lf);
    const std::string back = fromCrLf(crlf, LineEnds::Lf);
    EXPECT_EQ(back, lf);
}

// Any bytes, read and written back with no edit, come back as they were; the text holds
// only CR LF breaks and the exceptions name exactly the breaks that are not the usual one.
TEST(LineEnds, ReadingAndWritingBackIsTheIdentity) {
    std::mt19937 rng(11);
    static constexpr const char kAlphabet[] = {'a', 'b', '\r', '\n', '\0', '\x06', '\xE9'};
    for (int round = 0; round < 4000; ++round) {
        const std::string bytes = randomOf(rng, kAlphabet, round % 10 == 0 ? 400 : 24);
        const DocumentText doc = readLineEnds(bytes, LineEnds::Lf);
        ASSERT_EQ(doc.text, toCrLf(bytes)) << round;
        ASSERT_EQ(doc.usual, detectLineEnds(bytes, LineEnds::Lf)) << round;
        for (const LineBreak& b : doc.breaks) ASSERT_NE(b.end, LineEnd::Usual) << round;
        ASSERT_EQ(writeLineEnds(doc.text, doc.usual, doc.breaks), bytes) << round;
        // Without the exceptions every break takes the usual ending.
        ASSERT_EQ(writeLineEnds(doc.text, doc.usual, {}), fromCrLf(doc.text, doc.usual)) << round;
    }
}

// Written a piece at a time, any bytes come back as they were, in pieces no longer than asked;
// a sink that refuses a piece hears no more, and the writing says it stopped.
TEST(LineEnds, WrittenInPiecesAsWhole) {
    std::mt19937 rng(13);
    static constexpr const char kAlphabet[] = {'a', 'b', '\r', '\n', '\n'};
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = randomOf(rng, kAlphabet, round % 10 == 0 ? 300 : 30);
        const DocumentText doc = readLineEnds(bytes, static_cast<LineEnds>(rng() % 3));
        const std::size_t pieceSize = 1 + rng() % 9;
        const std::size_t refuseAt = rng() % 8;  // the piece the sink refuses, 0 for none
        std::string out;
        std::size_t heard = 0;
        const bool whole = writeLineEndsInPieces(doc.text, doc.usual, doc.breaks, pieceSize,
                                                 [&](std::string_view piece) {
                                                     EXPECT_FALSE(piece.empty()) << round;
                                                     EXPECT_LE(piece.size(), pieceSize) << round;
                                                     if (++heard == refuseAt) return false;
                                                     out.append(piece);
                                                     return true;
                                                 });
        if (whole) {
            ASSERT_EQ(out, bytes) << round;
        } else {
            ASSERT_EQ(heard, refuseAt) << round;
            ASSERT_EQ(out, bytes.substr(0, out.size())) << round;
        }
    }
}

// A file read in pieces cut anywhere (a CR LF split between two included) reads as it does
// whole, whatever ending the stream takes as usual, and settles on the same usual ending.
TEST(LineEndStream, PiecesReadAsTheWholeFile) {
    std::mt19937 rng(12);
    static constexpr const char kAlphabet[] = {'a', '\r', '\n', '\r', '\0'};
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = randomOf(rng, kAlphabet, round % 10 == 0 ? 300 : 20);
        const LineEnds usual = static_cast<LineEnds>(rng() % 3);
        DocumentText whole = readLineEnds(bytes, LineEnds::Lf);
        LineEndStream stream(usual);
        std::string text;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t piece = std::min<std::size_t>(bytes.size() - at, rng() % 4);
            stream.add(std::string_view(bytes).substr(at, piece), text);
            at += piece;
        }
        stream.finish(text);
        ASSERT_EQ(text, whole.text) << round;
        ASSERT_EQ(writeLineEnds(text, usual, stream.breaks()), bytes) << round;
        if (usual == whole.usual) {
            ASSERT_EQ(stream.breaks(), whole.breaks) << round;
        }
        stream.settleUsual(LineEnds::Lf);
        ASSERT_EQ(stream.usual(), whole.usual) << round;
        ASSERT_EQ(stream.breaks(), whole.breaks) << round;
    }
}

TEST(LineEnds, ExceptionsNameTheirLines) {
    const DocumentText doc = readLineEnds("a\nb\r\nc\rd\n\ne", LineEnds::CrLf);
    EXPECT_EQ(doc.text, "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(doc.usual, LineEnds::Lf);
    const std::vector<LineBreak> expected = {{1, LineEnd::CrLf}, {2, LineEnd::Cr}};
    EXPECT_EQ(doc.breaks, expected);
    // A typed line (here a new line 1) takes the usual ending; the others keep theirs.
    EXPECT_EQ(writeLineEnds("a\r\nX\r\nb\r\nc\r\nd\r\n\r\ne", doc.usual,
                            {{2, LineEnd::CrLf}, {3, LineEnd::Cr}}),
              "a\nX\nb\r\nc\rd\n\ne");
}

}  // namespace
}  // namespace scrivane
