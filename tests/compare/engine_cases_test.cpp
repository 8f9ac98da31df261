// Hand-picked comparisons with known results: displays, RTF bodies, the block dump.

#include <gtest/gtest.h>

#include "compare/compare_checks.h"
#include "compare/compare_engine.h"
#include "compare/pair_generator.h"

namespace scrivane {
namespace {

using namespace std::string_literals;

struct DisplayCase {
    const char* what;
    std::string docnew;
    std::string docold;
    std::string shown;  // unchanged text as is, [+inserted], [-deleted]
    std::int64_t count;
};

TEST(CompareDisplay, KnownPairs) {
    const DisplayCase cases[] = {
        {"equal texts", "same text here", "same text here", "same text here", 0},
        {"equal empty texts", "", "", "", 0},
        {"deletion attached to an empty block", "0123456789KLMNOPQRST",
         "0123456789ABCDEFGHIJKLMNOPQRST", "0123456789[-ABCDEFGHIJ]KLMNOPQRST", 1},
        {"replacement after a shared first byte", "Xabcdefghijk", "Xzzzzzzzzzzz",
         "X[+abcdefghijk][-zzzzzzzzzzz]", 2},
        {"doubled letter removed", "ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJJKLMNOPQRST",
         "ABCDEFGHIJ[-J]KLMNOPQRST", 1},
        {"one byte replaced", "the quick brown fox jumpX over the lazy dog, again and again",
         "the quick brown fox jumps over the lazy dog, again and again",
         "the quick brown fox jump[+X][-s] over the lazy dog, again and again", 2},
        {"moved text keeps what comes first", "CCCCCCCCCCAAAAAAAAAABBBBBBBBBBDDDDDDDDDD",
         "AAAAAAAAAABBBBBBBBBBCCCCCCCCCCDDDDDDDDDD",
         "[-AAAAAAAAAABBBBBBBBBB]CCCCCCCCCC[+AAAAAAAAAABBBBBBBBBB]DDDDDDDDDD", 2},
        {"insertion only", "0123XY456789abcdefghij0123456789", "0123456789abcdefghij0123456789",
         "0123[+XY]456789abcdefghij0123456789", 1},
        {"old text after the last match", "0123456789XXXXXXXXXXabcdefghij",
         "0123456789abcdefghijtailtail", "0123456789[+XXXXXXXXXX]abcdefghij[-tailtail]", 2},
        // Too short for any pass: wholly replaced instead of "no differences".
        {"short texts that differ", "abc", "abd", "[+abc][-abd]", 2},
        {"short new text, long old text", "abc", "abcdefghijklmnop", "[+abc][-abcdefghijklmnop]",
         2},
        {"empty old text", "abcdefghijklmnop", "", "[+abcdefghijklmnop]", 1},
        {"empty new text", "", "abcdefghijklmnop", "[-abcdefghijklmnop]", 1},
        // A chunk that starts with NUL bytes must not match bytes an earlier match took.
        {"NUL bytes next to a match", "abcdefghij\0\0\0\0\0xyzwvKLMNOPQRST"s,
         "abcdefghijxyzwvKLMNOPQRST", "abcdefghij[+\0\0\0\0\0]xyzwvKLMNOPQRST"s, 1},
        {"NUL bytes on both sides", "\0\0\0\0\0\0\0\0\0\0\0\0abc"s, "\0\0\0\0\0\0\0\0\0\0\0\0abd"s,
         "\0\0\0\0\0\0\0\0\0\0\0\0ab[+c][-d]"s, 2},
        // UTF-8: the chunk border falls inside the two-byte characters.
        {"accented letter replaced", "caf\xC3\xA9 au lait, s'il vous pla\xC3\xAEt",
         "caf\xC3\xA8 au lait, s'il vous pla\xC3\xAEt",
         "caf[+\xC3\xA9][-\xC3\xA8] au lait, s'il vous pla\xC3\xAEt", 2},
        {"euro sign against a lone continuation byte",
         "0123456789\xE2\x82\xAC"
         "abcdefghij",
         "0123456789\xE2\x82\xAB"
         "abcdefghij",
         "0123456789[+\xE2\x82\xAC][-\xE2\x82\xAB]abcdefghij", 2},
        // A CR LF pair is one character: the chunk passes cut between CR and LF here, which the
        // editor would show as two line breaks.
        {"line break kept whole", "\r\ncdxab\r\n\r\nx", "\r\ncdxab\r\n\r\n\r\nx",
         "\r\ncdxab\r\n[+\r\n][-\r\n\r\n]x", 2},
        // Not UTF-8 (Latin-1): bytes are characters, the shared first byte stays unchanged.
        {"latin-1 text keeps byte borders", "caf\xC3\xE9 au lait, s'il vous pla\xEEt",
         "caf\xC3\xE8 au lait, s'il vous pla\xEEt",
         "caf\xC3[+\xE9][-\xE8] au lait, s'il vous pla\xEEt", 2},
    };
    for (const DisplayCase& c : cases) {
        CompareEngine engine;
        engine.compareblocks(c.docnew, c.docold);
        EXPECT_EQ(testing::display(engine.blocks(), c.docnew, c.docold), c.shown) << c.what;
        EXPECT_EQ(engine.countchanges(), c.count) << c.what;
        const auto faults = testing::resultFaults(engine.blocks(), c.docnew, c.docold, "");
        EXPECT_TRUE(faults.empty()) << c.what << ": " << faults.front();
    }
}

struct BodyCase {
    const char* what;
    std::string docnew;
    std::string docold;
    std::string body;
    std::int64_t count;
};

TEST(CompareMarkup, BodyEscapingAndRuns) {
    const BodyCase cases[] = {
        {"special characters", "a\\b{c}d\r\ne\\par", "a\\b{c}d\r\ne\\par",
         "a\\\\b\\{c\\}d\\par e\\\\par", 0},
        {"lone CR, lone LF and NUL", "a\rb\nc\0d"s, "a\rb\nc\0d"s, "a\\'0db\\'0ac\\'00d", 0},
        {"CR LF and LF CR", "\r\n\n\r", "\r\n\n\r", "\\par \\'0a\\'0d", 0},
        {"marker and high bytes stay raw", "\x06\x07\xE9", "\x06\x07\xE9", "\x06\x07\xE9", 0},
        // The CR ends one matched chunk and the LF starts the next.
        {"line break across two unchanged pieces", "123456789\r\nabcdefghiXYZ",
         "123456789\r\nabcdefghiQRS",
         "123456789\\par abcdefghi\\cf2 \x06XYZ\\cf0 \\cf1 \\strike \x06QRS\\strike0 \\cf0 ", 2},
        {"escaping inside marked runs", "abcdefghij{}\\\r\n", "abcdefghij}{x\r\n",
         "abcdefghij\\cf2 \x06\\{\\}\\\\\\par \\cf0 \\cf1 \\strike \x06\\}\\{x\\par \\strike0 "
         "\\cf0 ",
         2},
        {"pure deletion", "0123456789KLMNOPQRST", "0123456789ABCDEFGHIJKLMNOPQRST",
         "0123456789\\cf1 \\strike \x06"
         "ABCDEFGHIJ\\strike0 \\cf0 KLMNOPQRST",
         1},
    };
    for (const BodyCase& c : cases) {
        CompareEngine engine;
        std::int64_t count = -1;
        EXPECT_EQ(engine.comparedocs(c.docnew, c.docold, "$TEXT_", count), c.body) << c.what;
        EXPECT_EQ(count, c.count) << c.what;
    }
}

TEST(CompareMarkup, FillsEveryPlaceholderOfTheTemplate) {
    CompareEngine engine;
    std::int64_t count = -1;
    EXPECT_EQ(engine.comparedocs("x{", "x{", "{\\rtf1 $TEXT_|$TEXT_}", count),
              "{\\rtf1 x\\{|x\\{}");
    EXPECT_EQ(engine.comparedocs("$TEXT_", "$TEXT_", "<$TEXT_>", count), "<$TEXT_>");
}

std::string row(std::initializer_list<std::string_view> values) {
    std::string out;
    for (std::string_view v : values) out += std::string(12 - v.size(), ' ') + std::string(v);
    return out + "\r\n";
}

const std::string kTitles =
    "      iwhich           i      iother         pt0      nbytes        next       isnew"
    "     istrike     isfound\r\n";

TEST(BlockDump, ExactContent) {
    struct Case {
        const char* what;
        std::string docnew;
        std::string docold;
        std::string dump;
    };
    const Case cases[] = {
        {"equal texts: no old chain", "ab\r\nc", "ab\r\nc",
         "New length: 5\r\n" + kTitles + row({"0", "1", "0", "1", "5", "6", "0", "0", "-1"}) +
             "-->ab\r\nc<--\r\n\r\nOld length: 5\r\n"},
        {"consumed heads grown over a shared first byte", "Xabcdefghijk", "Xzzzzzzzzzzz",
         "New length: 12\r\n" + kTitles + row({"0", "1", "2", "1", "1", "2", "0", "0", "-1"}) +
             "-->X<--\r\n" + row({"0", "4", "5", "2", "11", "13", "-1", "0", "0"}) +
             "-->abcdefghijk<--\r\n\r\nOld length: 12\r\n" +
             row({"1", "2", "1", "1", "1", "2", "0", "0", "-1"}) + "-->X<--\r\n" +
             row({"1", "5", "4", "2", "11", "13", "0", "-1", "0"}) + "-->zzzzzzzzzzz<--\r\n"},
        {"empty new text", "", "old",
         "New length: 0\r\n" + kTitles + row({"0", "1", "2", "1", "0", "1", "-1", "0", "0"}) +
             "--><--\r\n\r\nOld length: 3\r\n" +
             row({"1", "2", "1", "1", "3", "4", "0", "-1", "0"}) + "-->old<--\r\n"},
    };
    for (const Case& c : cases) {
        CompareEngine engine;
        engine.compareblocks(c.docnew, c.docold);
        EXPECT_EQ(engine.dumpblocks(c.docnew, c.docold), c.dump) << c.what;
    }
}

TEST(CompareStatus, DifferencesText) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "No differences were found."},
        {1, "1 difference was found."},
        {2, "2 differences were found."},
        {40000, "40000 differences were found."},
    };
    for (const auto& [count, text] : cases) EXPECT_EQ(differencesText(count), text);
}

TEST(CompareLimits, MoreBlocksThanA16BitCount) {
    testing::PairGenerator gen(7);
    const std::string docnew = gen.text(testing::Alphabet::Letters, 400000);
    const std::string docold = gen.text(testing::Alphabet::Letters, 400000);
    CompareEngine engine;
    std::int64_t count = 0;
    const std::string markup = engine.comparedocs(docnew, docold, "$TEXT_", count);
    EXPECT_GT(engine.nblocks(), 32767);
    EXPECT_GT(count, 0);
    const auto faults = testing::resultFaults(engine.blocks(), docnew, docold, "");
    EXPECT_TRUE(faults.empty()) << faults.front();
}

}  // namespace
}  // namespace scrivane
