#include <gtest/gtest.h>

#include "platform/qt/rich_text_crlf.h"
#include "platform/qt/style_table.h"

namespace scrivane {
namespace {

TextRun run(std::size_t length, Colour colour = kPlain, bool strike = false) {
    return TextRun{length, colour, strike};
}

struct CrLfCase {
    const char* name;
    RichText in;
    RichText out;
};

class RichTextCrLf : public ::testing::TestWithParam<CrLfCase> {};

TEST_P(RichTextCrLf, KeepsEveryByteInItsRun) {
    EXPECT_EQ(richTextWithCrLf(GetParam().in), GetParam().out) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RichTextCrLf,
    ::testing::Values(CrLfCase{"already fine",
                               {"a\r\nb", {run(4, kInsertedBlue)}},
                               {"a\r\nb", {run(4, kInsertedBlue)}}},
                      CrLfCase{"no runs", {"a\nb\rc", {}}, {"a\r\nb\r\nc", {}}},
                      CrLfCase{"lone lf",
                               {"a\nb", {run(1), run(1, kDeletedRed, true), run(1)}},
                               {"a\r\nb", {run(1), run(2, kDeletedRed, true), run(1)}}},
                      CrLfCase{"lone cr at the end",
                               {"ab\r", {run(2), run(1, kInsertedBlue)}},
                               {"ab\r\n", {run(2), run(2, kInsertedBlue)}}},
                      CrLfCase{"pair split across runs",
                               {"a\r\nb\n", {run(2, kInsertedBlue), run(3)}},
                               {"a\r\nb\r\n", {run(2, kInsertedBlue), run(4)}}},
                      CrLfCase{"lf cr is two breaks",
                               {"\n\r", {run(1, kInsertedBlue), run(1)}},
                               {"\r\n\r\n", {run(2, kInsertedBlue), run(2)}}},
                      CrLfCase{"runs too long",
                               {"abc", {run(2, kInsertedBlue), run(9, kDeletedRed)}},
                               {"abc", {run(2, kInsertedBlue), run(1, kDeletedRed)}}},
                      CrLfCase{"runs too short",
                               {"abc\n", {run(1, kInsertedBlue)}},
                               {"abc\r\n", {run(1, kInsertedBlue), run(4)}}},
                      CrLfCase{"empty runs dropped",
                               {"ab", {run(0, kDeletedRed), run(2, kInsertedBlue), run(0)}},
                               {"ab", {run(2, kInsertedBlue)}}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(StyleTable, FixedColoursThenNewOnesAvoidingReservedStyles) {
    StyleTable table;
    bool added = true;
    EXPECT_EQ(table.styleFor(kPlain, added), 0);
    EXPECT_FALSE(added);
    EXPECT_EQ(table.styleFor(kDeletedRed, added), 1);
    EXPECT_EQ(table.styleFor(kInsertedBlue | 0xAB000000u, added), 2);
    EXPECT_FALSE(added);

    std::vector<int> handedOut;
    for (Colour c = 1; c <= 400; ++c) {
        const int style = table.styleFor(c * 0x010101u, added);
        if (added) handedOut.push_back(style);
        EXPECT_EQ(table.styleFor(c * 0x010101u, added), style);  // asked again: same style
        EXPECT_FALSE(added);
    }
    EXPECT_EQ(handedOut.size(), 256u - 3u - 8u);
    for (int style : handedOut) {
        EXPECT_TRUE(style < 32 || style > 39) << style;
        EXPECT_LT(style, 256);
    }
    // Full: the nearest colour already known.
    const int nearest = table.styleFor(0x0000FE, added);
    EXPECT_FALSE(added);
    EXPECT_EQ(nearest, 1);
    EXPECT_EQ(table.colourOf(nearest), kDeletedRed);
    EXPECT_EQ(table.colourOf(255), 245u * 0x010101u);
    EXPECT_EQ(table.colourOf(-1), kPlain);
}

}  // namespace
}  // namespace scrivane
