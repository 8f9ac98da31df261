#include "platform/pure/rtf_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/pure/random_docs.h"
#include "platform/pure/rtf_writer.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

TEST(RtfRoundTrip, EveryByteStringComesBack) {
    std::mt19937 rng(2024);
    std::vector<std::string> texts = {"", "\r\n", "\r", "\n", std::string(1, '\0'), "\\", "{", "}"};
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    texts.push_back(all);
    for (int n = 0; n < 4000; ++n) texts.push_back(testing::randomBytes(rng, 60));
    for (const std::string& text : texts) {
        const RtfReadResult read = readRtf(testing::writePlainRtf(text, FontSpec{}));
        ASSERT_TRUE(read.ok) << read.error;
        ASSERT_EQ(read.doc.text, text);
        ASSERT_TRUE(read.doc.runs.empty());
    }
}

TEST(RtfRoundTrip, RunsComeBackNormalised) {
    std::mt19937 rng(77);
    for (int n = 0; n < 4000; ++n) {
        const RichText doc = testing::randomDoc(rng, 60);
        FontSpec font;
        font.name = testing::randomBytes(rng, 8);
        const RtfReadResult read = readRtf(writeRtf(doc, font));
        ASSERT_TRUE(read.ok) << read.error;
        ASSERT_EQ(read.doc, normalised(doc)) << "case " << n;
    }
}

struct Sample {
    const char* name;
    std::string rtf;
    RichText expected;
};

const TextRun kBlue1{1, kInsertedBlue, false};

void expectSamples(const std::vector<Sample>& samples) {
    for (const Sample& s : samples) {
        const RtfReadResult read = readRtf(s.rtf);
        EXPECT_TRUE(read.ok) << s.name << ": " << read.error;
        EXPECT_EQ(read.doc.text, s.expected.text) << s.name;
        EXPECT_EQ(read.doc.runs, s.expected.runs) << s.name;
    }
}

TEST(RtfReader, ForeignDocuments) {
    expectSamples({
        {"word processor document",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil"
         "\\fcharset0 Calibri;}}\r\n{\\colortbl ;\\red0\\green0\\blue255;}\r\n{\\*\\generator "
         "Riched20 10.0.19041}\\viewkind4\\uc1 \r\n\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 "
         "Hello \\cf1 blue\\cf0  world\\par\r\nsecond\\par\r\n}\r\n",
         {"Hello blue world\r\nsecond\r\n",
          {{6, kPlain, false}, {4, kInsertedBlue, false}, {16, kPlain, false}}}},
        {"unicode with fallback",
         "{\\rtf1\\uc1 caf\\u233?\\u8364?}",
         {"caf\xc3\xa9\xe2\x82\xac", {}}},
        {"surrogate pair", "{\\rtf1\\u-10179?\\u-8704?!}", {"\xf0\x9f\x98\x80!", {}}},
        {"lone surrogate", "{\\rtf1\\u-10179?x}", {"\xef\xbf\xbdx", {}}},
        {"two-byte fallback in hex", "{\\rtf1\\uc2\\u8364\\'80\\'81x}", {"\xe2\x82\xacx", {}}},
        {"no fallback", "{\\rtf1\\uc0\\u65 B}", {"AB", {}}},
        {"fallback count is per group", "{\\rtf1{\\uc3 }\\u8364??}", {"\xe2\x82\xac?", {}}},
        {"fallback stops at a group", "{\\rtf1\\uc4\\u65 ab{c}d}", {"Acd", {}}},
        {"group state restored",
         "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}a{\\cf1 b}c}",
         {"abc", {{1, kPlain, false}, kBlue1, {1, kPlain, false}}}},
        {"strike words",
         "{\\rtf1 a\\strike b\\strike0 c\\strike1 d\\plain e}",
         {"abcde",
          {{1, kPlain, false},
           {1, kPlain, true},
           {1, kPlain, false},
           {1, kPlain, true},
           {1, kPlain, false}}}},
        {"plain resets colour",
         "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\cf1 a\\plain b}",
         {"ab", {kBlue1, {1, kPlain, false}}}},
        {"colour outside the table is plain",
         "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf7 a\\cf1 b}",
         {"ab", {{1, kPlain, false}, {1, 0x030201, false}}}},
        {"destinations skipped",
         "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\header H}"
         "{\\*\\unknown{\\nested x}y}a{\\pict\\pngblip 89504e47}b{\\footnote f}c}",
         {"abc", {}}},
        {"field shows its result",
         "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}",
         {"link", {}}},
        {"binary data skipped", "{\\rtf1 a{\\pict\\bin4 {}\\}}b}", {"ab", {}}},
        {"binary outside a picture", "{\\rtf1 a\\bin3 {\\}b}", {"ab", {}}},
        {"symbols",
         "{\\rtf1 a\\tab b\\line c\\~d\\-e\\_f\\emdash}",
         {"a\tb\r\nc de-f\xe2\x80\x94", {}}},
        {"escaped specials", "{\\rtf1 \\\\\\{\\}\\'41\\'e9}", {"\\{}A\xe9", {}}},
        {"raw line ends ignored", "{\\rtf1 a\r\nb\rc\nd}", {"abcd", {}}},
        {"backslash before a line end is a break", "{\\rtf1 a\\\r\nb}", {"a\r\nb", {}}},
        {"raw bytes are text", "{\\rtf1 \x06\t\x80\xff\x01}", {"\x06\t\x80\xff\x01", {}}},
        {"text after the last brace ignored", "{\\rtf1 a}trailing}", {"a", {}}},
        {"leading blanks", " \r\n\t{\\rtf1 a}", {"a", {}}},
        {"control word delimited by a symbol", "{\\rtf1\\par\\par-x}", {"\r\n\r\n-x", {}}},
        {"negative parameter", "{\\rtf1\\li-720 x}", {"x", {}}},
    });
}

// The comparison's marked-up documents: the template filled with a body of raw bytes.
TEST(RtfReader, MarkedUpDocuments) {
    const std::string head =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Monospace;}}{\\colortbl ;\\red255\\green0"
        "\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue0;}\\pard\\plain\\f0\\fs20 ";
    expectSamples({
        {"inserted and deleted",
         head + "same\\cf2 \x06new\\cf0 \\cf1 \\strike \x06old\\strike0 \\cf0 end}",
         {"same\x06new\x06oldend",
          {{4, kPlain, false},
           {4, kInsertedBlue, false},
           {4, kDeletedRed, true},
           {3, kPlain, false}}}},
        {"line breaks and escapes", head + "a\\par b\\\\c\\{d\\}\xe9}", {"a\r\nb\\c{d}\xe9", {}}},
        {"green", head + "\\cf3 g}", {"g", {{1, 0x00FF00, false}}}},
    });
}

TEST(RtfReader, NotRtfIsItsOwnText) {
    const std::string texts[] = {
        "", "plain\ntext\r", "{\\rt", "x{\\rtf1 a}", "{rtf1}", std::string("\0{\\rtf1}", 8)};
    for (const std::string& text : texts) {
        EXPECT_FALSE(looksLikeRtf(text)) << text;
        const RtfReadResult read = readRtf(text);
        EXPECT_TRUE(read.ok);
        EXPECT_EQ(read.doc.text, text);
        EXPECT_TRUE(read.doc.runs.empty());
    }
    EXPECT_TRUE(looksLikeRtf("\t\r\n {\\rtf1}"));
    EXPECT_TRUE(looksLikeRtf("{\\rtf"));
}

TEST(RtfReader, DeepGroupsWithinTheLimitRestoreState) {
    const std::string open(500, '{');
    const std::string close(500, '}');
    const std::string rtf =
        "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}" + open + "\\cf1 a" + close + "b}";
    const RtfReadResult read = readRtf(rtf);
    EXPECT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.doc, (RichText{"ab", {kBlue1, {1, kPlain, false}}}));
}

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Malformed or hostile input: every case must come back quickly with its best-effort text.
TEST(RtfReader, HostileInput) {
    struct Case {
        const char* name;
        std::string rtf;
        bool ok;
        std::string text;  // expected best-effort text
    };
    const Case cases[] = {
        {"missing closing brace", "{\\rtf1 abc", false, "abc"},
        {"missing several braces", "{\\rtf1{{{\\cf1 abc", false, "abc"},
        {"nesting 100000 deep", "{\\rtf1 " + repeat("{", 100000) + "x" + repeat("}", 100000) + "y}",
         false, "xy"},
        {"deep and never closed", "{\\rtf1 " + repeat("{a", 100000), false, repeat("a", 100000)},
        {"deep skipped groups",
         "{\\rtf1 " + repeat("{\\*", 100000) + "x" + repeat("}", 100000) + "y}", false, "y"},
        {"huge \\bin", "{\\rtf1 a\\bin99999999999999999999 xyz}", false, "a"},
        {"\\bin at the end", "{\\rtf1 a\\bin5", false, "a"},
        {"negative \\bin", "{\\rtf1 a\\bin-5 b}", true, "ab"},
        {"huge colour index", "{\\rtf1\\cf99999999999999999999999 a}", true, "a"},
        {"huge negative parameter", "{\\rtf1\\cf-99999999999999999999999 a}", true, "a"},
        {"huge code point", "{\\rtf1\\u99999999999999 a}", true, "\xef\xbf\xbd"},
        {"huge fallback count", "{\\rtf1\\uc999999999\\u65 " + repeat("b", 300) + "}", true,
         "A" + repeat("b", 45)},
        {"truncated hex at the end", "{\\rtf1 a\\'", false, "a"},
        {"one hex digit at the end", "{\\rtf1 a\\'4", false, "a4"},
        {"not hex", "{\\rtf1 a\\'zzb}", false, "azzb"},
        {"backslash at the end", "{\\rtf1 a\\", false, "a"},
        {"endless control word", "{\\rtf1 \\" + repeat("x", 1000000) + " a}", true, "a"},
        {"endless parameter", "{\\rtf1 \\cf" + repeat("9", 1000000) + " a}", true, "a"},
        {"huge colour table", "{\\rtf1{\\colortbl" + repeat(";\\red1", 500000) + "}\\cf400000 a}",
         true, "a"},
        {"many paragraphs", "{\\rtf1 " + repeat("\\par", 1000000) + "}", true,
         repeat("\r\n", 1000000)},
        {"many unicode escapes", "{\\rtf1 " + repeat("\\u65?", 500000) + "}", true,
         repeat("A", 500000)},
        {"only opening brace", "{\\rtf", false, ""},
        {"NUL bytes", std::string("{\\rtf1 a\0b\\\0c}", 14), true, std::string("a\0bc", 4)},
    };
    for (const Case& c : cases) {
        const RtfReadResult read = readRtf(c.rtf);
        EXPECT_EQ(read.ok, c.ok) << c.name;
        EXPECT_EQ(read.ok, read.error.empty()) << c.name;
        EXPECT_EQ(read.doc.text, c.text) << c.name;
        EXPECT_EQ(read.doc, normalised(read.doc)) << c.name;
    }
}

// Random mutations of valid documents: no crash, result always normalised.
TEST(RtfReader, MangledDocumentsNeverBreakIt) {
    std::mt19937 rng(31337);
    for (int n = 0; n < 4000; ++n) {
        std::string rtf = writeRtf(testing::randomDoc(rng, 50), FontSpec{});
        std::uniform_int_distribution<std::size_t> at(0, rtf.size() - 1);
        std::uniform_int_distribution<int> edit(0, 3);
        for (int k = 0; k < 4; ++k) {
            const std::size_t i = at(rng);
            switch (edit(rng)) {
                case 0:
                    rtf.erase(i, 1);
                    break;
                case 1:
                    rtf.insert(i, 1, "{}\\'0"[k % 5]);
                    break;
                case 2:
                    rtf.resize(i + 1);
                    break;
                default:
                    rtf.insert(i, testing::randomBytes(rng, 6));
            }
            if (rtf.empty()) break;
            at = std::uniform_int_distribution<std::size_t>(0, rtf.size() - 1);
        }
        const RtfReadResult read = readRtf(rtf);
        ASSERT_EQ(read.doc, normalised(read.doc));
        ASSERT_EQ(read.ok, read.error.empty());
    }
}

// A large document of many small runs reads back whole (its speed is in bench/text_bench).
TEST(RtfReader, LargeDocumentOfManyRuns) {
    std::mt19937 rng(3);
    RichText doc;
    const std::size_t size = 2'000'000;
    while (doc.text.size() < size) {
        RichText piece = normalised(testing::randomDoc(rng, 200));
        if (piece.runs.empty()) piece.runs.push_back({piece.text.size(), kPlain, false});
        doc.text += piece.text;
        doc.runs.insert(doc.runs.end(), piece.runs.begin(), piece.runs.end());
    }
    const std::string rtf = writeRtf(doc, FontSpec{});
    const RtfReadResult read = readRtf(rtf);
    EXPECT_EQ(read.doc, normalised(doc));
}

}  // namespace
}  // namespace scrivane
