#include <gtest/gtest.h>

#include <random>

#include "navigate/goto_line.h"
#include "support/fake_surface.h"

namespace scrivane {
namespace {

TEST(GotoLine, SelectsTheLineWithoutItsBreak) {
    const struct {
        std::string text;
        Pos line;
        Pos start, length;
    } cases[] = {
        {"one\r\ntwo\r\nthree", 1, 0, 3},
        {"one\r\ntwo\r\nthree", 2, 5, 3},
        {"one\r\ntwo\r\nthree", 3, 10, 5},
        {"one\r\ntwo\r\nthree", 7, 10, 5},  // past the end: the last line with characters
        {"a\r\n\r\nb", 2, 3, 0},            // an empty line: caret at its start
        {"a\r\nb\r\n", 3, 3, 1},            // the empty line after a final break: the line before
        {"single line", 5, 0, 11},
        {"", 1, 0, 0},
        {"", 9, 0, 0},
    };
    FakeSurface rtb;
    for (const auto& c : cases) {
        rtb.SetText(c.text);
        gotoline(rtb, c.line);
        EXPECT_EQ(rtb.SelStart(), c.start) << c.text << " line " << c.line;
        EXPECT_EQ(rtb.SelLength(), c.length) << c.text << " line " << c.line;
    }
}

// Every line of a document with lines of random length, long ones included (longer than the
// scanning steps), is found and selected exactly.
TEST(GotoLine, FindsEveryLineOfALargeDocument) {
    std::mt19937 rng(7);
    std::string text;
    std::vector<std::pair<Pos, Pos>> lines;
    for (int i = 0; i < 3000; ++i) {
        const Pos len = rng() % 50 == 0 ? 70000 + rng() % 1000 : rng() % 80;
        lines.emplace_back(static_cast<Pos>(text.size()), len);
        text.append(static_cast<std::size_t>(len), static_cast<char>('a' + i % 26));
        if (i + 1 < 3000) text += "\r\n";
    }
    FakeSurface rtb;
    rtb.SetText(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        gotoline(rtb, static_cast<Pos>(n + 1));
        ASSERT_EQ(rtb.SelStart(), lines[n].first) << "line " << n + 1;
        ASSERT_EQ(rtb.SelLength(), lines[n].second) << "line " << n + 1;
    }
}

TEST(GotoLine, CharacterRangesAndLineNumbers) {
    FakeSurface rtb;
    rtb.SetText("0123456789\r\nabc");
    textgotochar(rtb, 4, -3);
    EXPECT_EQ(rtb.SelStart(), 4);
    EXPECT_EQ(rtb.SelLength(), 3);
    textgotochar(rtb, 100, 5);  // clamped by the surface
    EXPECT_EQ(rtb.SelStart(), 15);
    EXPECT_EQ(rtb.SelLength(), 0);
    EXPECT_EQ(lineof(rtb, 0), 1);
    EXPECT_EQ(lineof(rtb, 11), 1);  // between CR and LF
    EXPECT_EQ(lineof(rtb, 12), 2);
    rtb.SetSelStart(13);
    EXPECT_EQ(caretLineText(rtb), "2");
}

}  // namespace
}  // namespace scrivane
