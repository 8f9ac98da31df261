#include "platform/pure/rtf_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/pure/random_docs.h"

namespace scrivane {
namespace {

std::size_t count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

// What the writer puts before the body when no run is coloured.
std::string headerOf(const std::string& rtf) {
    return rtf.substr(0, rtf.find(" X}") + 1);
}

TEST(RtfWriterHeader, Fonts) {
    struct Case {
        FontSpec font;
        std::string header;
    };
    const std::string start = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil ";
    const Case cases[] = {
        {{"Monospace", 10, false, false}, start + "Monospace;}}\\pard\\plain\\f0\\fs20 "},
        {{"DejaVu Sans Mono", 11.5, true, false},
         start + "DejaVu Sans Mono;}}\\pard\\plain\\f0\\fs23\\b "},
        {{"Courier", 9, false, true}, start + "Courier;}}\\pard\\plain\\f0\\fs18\\i "},
        {{"Courier", 12.25, true, true}, start + "Courier;}}\\pard\\plain\\f0\\fs25\\b\\i "},
        // Bytes that would break the font table, and ones that would fake a control word or
        // the body placeholder, are written in hex.
        {{"A;b}{c", 10, false, false}, start + "A\\'3bb\\'7d\\'7bc;}}\\pard\\plain\\f0\\fs20 "},
        {{"\\par $TEXT_", 10, false, false},
         start + "\\'5cpar \\'24TEXT_;}}\\pard\\plain\\f0\\fs20 "},
        {{"Caf\xc3\xa9\t", 10, false, false},
         start + "Caf\\'c3\\'a9\\'09;}}\\pard\\plain\\f0\\fs20 "},
        {{"", 10, false, false}, start + ";}}\\pard\\plain\\f0\\fs20 "},
        // Sizes that make no sense are brought into range.
        {{"M", 0, false, false}, start + "M;}}\\pard\\plain\\f0\\fs1 "},
        {{"M", -4, false, false}, start + "M;}}\\pard\\plain\\f0\\fs1 "},
        {{"M", 1e12, false, false}, start + "M;}}\\pard\\plain\\f0\\fs32767 "},
        {{"M", std::nan(""), false, false}, start + "M;}}\\pard\\plain\\f0\\fs20 "},
    };
    for (const Case& c : cases) {
        const std::string rtf = testing::writePlainRtf("X", c.font);
        EXPECT_EQ(rtf, c.header + "X}") << c.font.name;
    }
}

TEST(RtfWriterHeader, AnyFontNameKeepsTheHeaderWellFormed) {
    std::mt19937 rng(5);
    for (int n = 0; n < 3000; ++n) {
        FontSpec font;
        font.name = testing::randomBytes(rng, 20);
        const std::string header = headerOf(testing::writePlainRtf("X", font));
        ASSERT_EQ(count(header, "}}"), 1u) << header;
        ASSERT_EQ(count(header, "\\par "), 0u) << header;
        ASSERT_EQ(count(header, "$TEXT_"), 0u) << header;
        ASSERT_EQ(count(header, "\\strike"), 0u) << header;
        ASSERT_EQ(count(header, "{"), count(header, "}") + 1) << header;
        ASSERT_EQ(count(testing::writePlainRtf("\r\n", font), "\\par "), 1u);
    }
}

TEST(RtfWriterBody, Escapes) {
    struct Case {
        std::string text;
        std::string body;
    };
    const Case cases[] = {
        {"", ""},
        {"plain words", "plain words"},
        {"a\\b", "a\\\\b"},
        {"{x}", "\\{x\\}"},
        {"a\r\nb", "a\\par b"},
        {"end\r\n", "end\\par "},
        {"\r\n\r\n", "\\par \\par "},
        {"a\rb\nc", "a\\'0db\\'0ac"},
        {"\r\r\n", "\\'0d\\par "},
        {"\n\r", "\\'0a\\'0d"},
        {"\t", "\\'09"},
        {"\x06x\x07", "\\'06x\\'07"},
        {std::string("\0", 1), "\\'00"},
        {"\x7f\x80\xe9\xff", "\\'7f\\'80\\'e9\\'ff"},
        {"\\par", "\\\\par"},
        {"\\strike0", "\\\\strike0"},
        {"~$TEXT_", "~$TEXT_"},
    };
    const std::string header = headerOf(testing::writePlainRtf("X", FontSpec{}));
    for (const Case& c : cases) {
        EXPECT_EQ(testing::writePlainRtf(c.text, FontSpec{}), header + c.body + "}")
            << ::testing::PrintToString(c.text);
    }
}

TEST(RtfWriterBody, Runs) {
    const TextRun plain{1, kPlain, false};
    const TextRun blue{1, kInsertedBlue, false};
    const TextRun redStruck{1, kDeletedRed, true};
    const TextRun red{1, kDeletedRed, false};
    const TextRun struck{1, kPlain, true};
    const TextRun green{1, 0x00FF00, false};
    const TextRun other{1, 0x123456, false};
    struct Case {
        const char* name;
        std::string text;
        std::vector<TextRun> runs;
        std::string body;
    };
    const Case cases[] = {
        {"no runs", "abc", {}, "abc"},
        {"inserted", "abc", {plain, blue, plain}, "a\\cf2 b\\cf0 c"},
        {"deleted", "abc", {plain, redStruck, plain}, "a\\cf1\\strike b\\strike0\\cf0 c"},
        {"replacement", "ab", {blue, redStruck}, "\\cf2 a\\cf1\\strike b\\strike0\\cf0 "},
        {"deleted then inserted", "ab", {redStruck, blue}, "\\cf1\\strike a\\strike0\\cf2 b"},
        {"struck without colour", "ab", {struck, plain}, "\\cf0\\strike a\\strike0\\cf0 b"},
        {"colour change inside strike",
         "ab",
         {redStruck, {1, kInsertedBlue, true}},
         "\\cf1\\strike a\\cf2 b\\strike0\\cf0 "},
        {"red without strike", "ab", {red, plain}, "\\cf1 a\\cf0 b"},
        {"green", "a", {green}, "\\cf3 a"},
        {"other colour", "ab", {other, blue}, "\\cf4 a\\cf2 b"},
        {"equal runs merge", "abc", {blue, blue, blue}, "\\cf2 abc"},
        {"empty runs vanish",
         "ab",
         {{0, kDeletedRed, true}, plain, {0, kInsertedBlue, false}, plain},
         "ab"},
        {"escapes inside runs",
         "\\\r\n",
         {blue, {2, kDeletedRed, true}},
         "\\cf2 \\\\\\cf1\\strike \\par \\strike0\\cf0 "},
        {"marker after colour word", "\x06x", {blue, blue}, "\\cf2 \\'06x"},
        {"run list too short", "abc", {blue}, "\\cf2 a\\cf0 bc"},
        {"run list too long", "a", {blue, redStruck}, "\\cf2 a"},
    };
    for (const Case& c : cases) {
        const std::string rtf = writeRtf(RichText{c.text, c.runs}, FontSpec{});
        const std::size_t bodyStart = rtf.find("\\fs20 ") + 6;
        EXPECT_EQ(rtf.substr(bodyStart, rtf.size() - bodyStart - 1), c.body) << c.name;
        EXPECT_EQ(rtf.back(), '}') << c.name;
    }
}

TEST(RtfWriterHeader, ColourTableOnlyWhenAColourIsUsed) {
    struct Case {
        std::vector<TextRun> runs;
        std::string table;
    };
    const std::string standard =
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"
        "\\red0\\green255\\blue0;";
    const Case cases[] = {
        {{}, ""},
        {{{2, kPlain, true}}, ""},
        {{{2, kInsertedBlue, false}}, standard + "}"},
        {{{1, 0x123456, false}, {1, 0xABCDEF, false}, {1, 0x123456, false}},
         standard + "\\red86\\green52\\blue18;\\red239\\green205\\blue171;}"},
        // Only 24 bits of colour exist in RTF.
        {{{2, 0x01000000, false}}, ""},
    };
    for (const Case& c : cases) {
        const std::string rtf = writeRtf(RichText{"ab", c.runs}, FontSpec{});
        const std::size_t fontEnd = rtf.find("}}") + 2;
        const std::size_t pard = rtf.find("\\pard");
        EXPECT_EQ(rtf.substr(fontEnd, pard - fontEnd), c.table) << rtf;
    }
}

}  // namespace
}  // namespace scrivane
