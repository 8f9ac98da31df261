#include "compare/markup_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/pure/line_ends.h"
#include "platform/pure/random_docs.h"
#include "platform/pure/rtf_reader.h"
#include "platform/pure/rtf_writer.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

std::size_t countOf(std::string_view s, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string_view::npos; at = s.find(what, at + 1)) {
        ++n;
    }
    return n;
}

std::string replaceEach(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t i = 0;
    for (std::size_t at = s.find(from); at != std::string_view::npos; at = s.find(from, i)) {
        out.append(s.substr(i, at - i));
        out.append(to);
        i = at + from.size();
    }
    out.append(s.substr(i));
    return out;
}

std::string fill(const std::string& templ, std::string_view body) {
    return replaceEach(templ, kTextPlaceholder, body);
}

TEST(Template, DefaultFont) {
    EXPECT_EQ(setdefrtf(FontSpec{"Monospace", 10, false, false}),
              "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Monospace;}}" + std::string(kColourTable) +
                  "\\pard\\plain\\f0\\fs20 $TEXT_}");
}

TEST(Template, HoldsOnePlaceholderAndTheColourTableAfterTheFontTable) {
    struct Case {
        FontSpec font;
        std::string_view fontWords;
    };
    const Case cases[] = {
        {{"Monospace", 10, false, false}, "\\fs20 "},
        {{"Courier New", 12, true, false}, "\\fs24\\b "},
        {{"Courier New", 9.5, false, true}, "\\fs19\\i "},
        {{"Courier New", 14, true, true}, "\\fs28\\b\\i "},
        {{"}}\\par $TEXT_;{", 10, false, false}, "\\fs20 "},
    };
    for (const Case& c : cases) {
        const std::string templ = setdefrtf(c.font);
        EXPECT_EQ(countOf(templ, kTextPlaceholder), 1u) << templ;
        EXPECT_EQ(countOf(templ, kColourTable), 1u) << templ;
        EXPECT_EQ(countOf(templ, "\\par "), 0u) << templ;
        EXPECT_NE(templ.find(std::string("}}") + std::string(kColourTable)), std::string::npos);
        EXPECT_NE(templ.find(std::string(c.fontWords) + "$TEXT_}"), std::string::npos) << templ;
        // Filled like the comparison fills it, the document reads back with its marks.
        const RtfReadResult read = readRtf(fill(templ,
                                                "a\\cf2 \x06"
                                                "b\\cf0 \\cf1 \\strike \x06"
                                                "c\\strike0 \\cf0 d\\par "));
        EXPECT_TRUE(read.ok) << read.error;
        EXPECT_EQ(read.doc, (RichText{"a\x06"
                                      "b\x06"
                                      "cd\r\n",
                                      {{1, kPlain, false},
                                       {2, kInsertedBlue, false},
                                       {2, kDeletedRed, true},
                                       {3, kPlain, false}}}));
    }
}

TEST(Template, WriterColourTableStartsWithTheStandardEntries) {
    const std::string rtf = writeRtf(RichText{"ab", {{1, 0x123456, false}}}, FontSpec{});
    const std::string_view open = kColourTable.substr(0, kColourTable.size() - 1);
    EXPECT_NE(rtf.find(std::string("}}") + std::string(open) + "\\red86\\green52\\blue18;}"),
              std::string::npos)
        << rtf;
}

// The stripping steps done the slow way, as a reference for the one-pass version.
std::string referenceStrip(std::string s) {
    s = replaceEach(s, "\\\\", "\x02");
    s = replaceEach(s, "\\'07", " ");
    s = replaceEach(s, "\\'06", "");
    while (true) {
        const std::size_t a = s.find("\\strike");
        const std::size_t b = s.find("\\strike0");
        if (a == std::string::npos || b == std::string::npos || b <= a) break;
        s = s.substr(0, a) + s.substr(b + 8);
    }
    return replaceEach(s, "\x02", "\\\\");
}

TEST(StripStruckRtf, EdgeCases) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string stripped;
    };
    const Case cases[] = {
        {"nothing deleted: markers go, bell is a blank", "a\\'06b\\'07c", "ab c"},
        {"typed backslash before strike", "a\\\\strike b\\\\strike0 c",
         "a\\\\strike b\\\\strike0 c"},
        {"typed backslash before a marker", "a\\\\'06b", "a\\\\'06b"},
        {"typed backslash then a marker", "a\\\\\\'06b", "a\\\\b"},
        {"two deleted runs", "a\\cf1\\strike x\\strike0\\cf0 b\\cf1\\strike y\\strike0\\cf0 c",
         "a\\cf1\\cf0 b\\cf1\\cf0 c"},
        {"end before the first start stops it", "\\strike0 a\\strike b\\strike0 c",
         "\\strike0 a\\strike b\\strike0 c"},
        {"start without end", "a\\strike b", "a\\strike b"},
        {"second start inside a stretch", "\\strike \\strike x\\strike0 y\\strike0", " y\\strike0"},
        {"\\strike1 starts a stretch", "a\\strike1 b\\strike0 c", "a c"},
        {"cut joins a new start", "\\str\\strike x\\strike0ike y\\strike0 z", " z"},
        {"cut joins an end",
         "a\\strike \\strike0 b\\strike x\\strike0 c\\str\\strike y\\strike0ike0 d",
         "a b c\\strike0 d"},
        {"marker removal happens after bell", "\\'0\\'067", "\\'07"},
        {"raw byte 2 kept",
         "a\x02"
         "b\\\\c\\strike x\\strike0",
         "a\x02"
         "b\\\\c"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stripstruckRtf(c.rtf), c.stripped) << c.name;
    }
}

// Strings built from the pieces that matter, so that starts, ends and joins are frequent.
std::string randomStrikeSoup(std::mt19937& rng) {
    static constexpr std::string_view kPieces[] = {
        "\\strike", "\\strike0", "\\strike ", "\\str", "ike", "ike0", "0", "\\",    "\\\\",
        "\\'06",    "\\'07",     "\\'0",      "6",     "7",   "a",    " ", "\\cf1", "'"};
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 30);
    std::string s;
    for (int n = length(rng); n > 0; --n) s += kPieces[piece(rng)];
    return s;
}

TEST(StripStruckRtf, OnePassMatchesTheStepByStepRemoval) {
    std::mt19937 rng(4242);
    for (int n = 0; n < 20000; ++n) {
        const std::string rtf = randomStrikeSoup(rng);
        ASSERT_EQ(stripstruckRtf(rtf), referenceStrip(rtf)) << ::testing::PrintToString(rtf);
    }
}

// A raw byte 2 in the RTF is an ordinary character: stripping must treat it like any other
// neutral byte ('Q' stands in for it in the reference), not turn it into a backslash.
TEST(StripStruckRtf, RawByteTwoIsKept) {
    std::mt19937 rng(8);
    for (int n = 0; n < 5000; ++n) {
        std::string withQ = randomStrikeSoup(rng);
        std::uniform_int_distribution<std::size_t> at(0, withQ.size());
        withQ.insert(at(rng), "Q");
        const std::string rtf = replaceEach(withQ, "Q", "\x02");
        ASSERT_EQ(stripstruckRtf(rtf), replaceEach(referenceStrip(withQ), "Q", "\x02"))
            << ::testing::PrintToString(rtf);
    }
}

TEST(StripStruckRtf, RawByteTwoIsKeptWhenEveryByteOccurs) {
    std::string everyByte;
    for (int c = 0; c < 256; ++c) {
        if (c != '\\') everyByte += static_cast<char>(c);
    }
    const std::string rtf = "\x02\\strike x\\strike0\\\\" + everyByte;
    const std::string stripped = stripstruckRtf(rtf);
    EXPECT_EQ(stripped.substr(0, 6), "\\'02\\\\");
    EXPECT_EQ(stripped.find('\x02'), std::string::npos);
    EXPECT_EQ(rtfToText("{\\rtf1 " + stripped.substr(0, 6) + "}"), "\x02\\");
}

// The real content read from the document as the surface holds it, and from its RTF, where
// every byte 6 is a marker and a bell reads as a blank.
TEST(StripStruckText, SurfaceRtfGivesTheRealContent) {
    struct Case {
        const char* name;
        RichText doc;
        std::string text;
        std::string viaRtf;
    };
    const Case cases[] = {
        {"deleted run dropped",
         {"ab\x06xyc",
          {{2, kPlain}, {1, kDeletedRed, true, true}, {2, kDeletedRed, true}, {1, kPlain}}},
         "abc",
         "abc"},
        {"inserted run kept without its marker",
         {"a\x06"
          "bc",
          {{1, kPlain}, {1, kInsertedBlue, false, true}, {1, kInsertedBlue}, {1, kPlain}}},
         "abc",
         "abc"},
        {"a file's own byte 6 and bell are text",
         {"a\x07"
          "b\x06",
          {{3, kInsertedBlue}}},
         "a\x07"
         "b\x06",
         "a b"},
        {"typed backslash and strike words",
         {"\\strike x\\strike0", {}},
         "\\strike x\\strike0",
         "\\strike x\\strike0"},
        {"break split by a deletion",
         {"a\rX\nb", {{2, kPlain, false}, {1, kDeletedRed, true}, {2, kPlain, false}}},
         "a\r\nb",
         "a\r\nb"},
        {"lone breaks become CR LF", {"a\nb\rc", {}}, "a\r\nb\r\nc", "a\r\nb\r\nc"},
        {"everything deleted", {"abc", {{3, kDeletedRed, true}}}, "", ""},
        {"empty", {"", {}}, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(strippedText(c.doc), c.text) << c.name;
        EXPECT_EQ(stripstruckText(writeRtf(c.doc, FontSpec{})), c.viaRtf) << c.name;
    }
}

// Stripping keeps how each remaining line break is written: the breaks of removed lines go,
// and a CR whose LF was struck still ends its line as that line's break did.
TEST(StrippedContent, CarriesTheBreaksOfTheKeptText) {
    const struct {
        const char* name;
        RichText doc;
        RichText stripped;
    } cases[] = {
        {"unmarked",
         {"a\r\nb\r\nc", {}, {{0, LineEnd::Lf}, {1, LineEnd::Cr}}},
         {"a\r\nb\r\nc", {}, {{0, LineEnd::Lf}, {1, LineEnd::Cr}}}},
        {"a struck line goes with its break",
         {"a\r\nXX\r\nb\r\nc",
          {{3, kPlain}, {4, kDeletedRed, true}, {4, kPlain}},
          {{0, LineEnd::Lf}, {1, LineEnd::Cr}, {2, LineEnd::CrLf}}},
         {"a\r\nb\r\nc", {}, {{0, LineEnd::Lf}, {1, LineEnd::CrLf}}}},
        {"a struck break joins two lines",
         {"a\r\nb\r\nc", {{1, kPlain}, {2, kDeletedRed, true}, {4, kPlain}}, {{1, LineEnd::Cr}}},
         {"ab\r\nc", {}, {{0, LineEnd::Cr}}}},
        {"a CR whose LF was struck",
         {"a\r\nb", {{2, kPlain}, {1, kDeletedRed, true}, {1, kPlain}}, {{0, LineEnd::Lf}}},
         {"a\r\nb", {}, {{0, LineEnd::Lf}}}},
        {"markers go, breaks after them stay",
         {"\x06"
          "a\r\nb",
          {{1, kInsertedBlue, false, true}, {3, kInsertedBlue}, {1, kPlain}},
          {{0, LineEnd::Cr}}},
         {"a\r\nb", {}, {{0, LineEnd::Cr}}}},
    };
    for (const auto& c : cases) EXPECT_EQ(strippedContent(c.doc), c.stripped) << c.name;
}

// Both ways agree on documents whose bytes 6 are all markers and that hold no bell.
TEST(StrippedText, MatchesStrippingTheWrittenRtf) {
    std::mt19937 rng(555);
    for (int n = 0; n < 5000; ++n) {
        RichText doc = testing::randomDoc(rng, 60);
        std::replace(doc.text.begin(), doc.text.end(), '\x07', 'x');
        doc = testing::withEveryByte6AMarker(doc);
        FontSpec font;
        font.name = testing::randomBytes(rng, 6);
        font.bold = n % 2;
        font.italic = n % 3 == 0;
        ASSERT_EQ(strippedText(doc), stripstruckText(writeRtf(doc, font))) << "case " << n;
    }
}

// A marked-up document as the comparison builds it, once loaded into the surface.
TEST(StripStruckText, MarkedUpDocumentAfterLoading) {
    const std::string markedUp =
        fill(setdefrtf(FontSpec{}),
             "same\\cf2 \x06new\\cf0 \\cf1 \\strike \x06old\\strike0 \\cf0 end\\par \\\\x");
    const RtfReadResult loaded = readRtf(markedUp);
    ASSERT_TRUE(loaded.ok);
    const std::string surfaceRtf = writeRtf(loaded.doc, FontSpec{});
    EXPECT_EQ(stripstruckText(surfaceRtf), "samenewend\r\n\\x");
    const RichText marked{loaded.doc.text,
                          withMarkersAtRunStarts(loaded.doc.text, loaded.doc.runs)};
    EXPECT_EQ(strippedText(marked), "samenewend\r\n\\x");
}

// The RTF the editing surface writes for a document with a struck run and markers.
TEST(StripStruck, OverTheSurface) {
    const RichText doc{"keep\x06gone!",
                       {{4, kPlain, false}, {5, kDeletedRed, true}, {1, kInsertedBlue, false}}};
    const std::string surfaceRtf = writeRtf(doc, FontSpec{});
    EXPECT_EQ(stripstruckText(surfaceRtf), "keep!");
    EXPECT_EQ(countOf(stripstruckRtf(surfaceRtf), "\\strike"), 0u);
}

// Hundreds of thousands of deleted runs: the one-pass cut and the direct route agree (their
// speed is in bench/text_bench).
TEST(StripStruck, ManyDeletedRunsInALargeDocument) {
    const RichText doc = testing::markedDocument(5'000'000);
    const std::string rtf = writeRtf(doc, FontSpec{});
    // Compared as one truth value: a difference of megabytes would not be printed whole.
    EXPECT_TRUE(stripstruckText(rtf) == strippedText(doc));
}

}  // namespace
}  // namespace scrivane
