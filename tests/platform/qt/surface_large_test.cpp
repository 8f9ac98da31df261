#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "surface_fixture.h"

namespace scrivane {
namespace {

// Lines of varied length with every byte value but CR and LF somewhere in them.
std::string bigText(std::size_t bytes) {
    std::string s;
    s.reserve(bytes + 200);
    unsigned seed = 12345;
    while (s.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t length = (seed >> 16) % 120;
        for (std::size_t i = 0; i < length; ++i) {
            char c = static_cast<char>((seed >> (i % 24)) + i);
            if (c == '\r' || c == '\n') c = ' ';
            s += c;
        }
        s += "\r\n";
    }
    return s;
}

TEST_F(SurfaceTest, TenMegabytesGoInAndComeBackWhole) {
    const std::string text = bigText(10u << 20);
    surface.SetText(text);
    ASSERT_EQ(surface.TextLength(), static_cast<Pos>(text.size()));
    EXPECT_TRUE(surface.Text() == text);
    EXPECT_EQ(codePage(), 0);
    EXPECT_FALSE(surface.HasStrike());
    const RichText plain = surface.Content();
    EXPECT_TRUE(plain.runs.empty());

    const Pos lines = surface.editor()->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
    EXPECT_EQ(surface.GetLineFromChar(surface.TextLength()), lines - 1);
    const Pos lastBreak = static_cast<Pos>(text.rfind("\r\n", text.size() - 3));
    EXPECT_EQ(surface.GetLineFromChar(lastBreak + 1), lines - 3);  // between CR and LF
    EXPECT_EQ(surface.GetLineFromChar(lastBreak + 2), lines - 2);
    EXPECT_EQ(surface.TextRange(lastBreak, 4), text.substr(static_cast<std::size_t>(lastBreak), 4));

    // A struck run near the end, then the whole of it through RTF.
    const Pos start = surface.TextLength() - 1000;
    surface.SetSelStart(start);
    surface.SetSelLength(10);
    surface.SetSelColor(kDeletedRed);
    surface.SetSelStrikeThru(true);
    EXPECT_TRUE(surface.HasStrike());
    const RichText marked = surface.Content();
    ASSERT_EQ(marked.runs.size(), 3u);
    EXPECT_EQ(marked.runs[1], (TextRun{10, kDeletedRed, true}));

    ScintillaSurface copy;
    copy.SetTextRTF(surface.TextRTF());
    EXPECT_TRUE(copy.Content() == marked);
}

// Not part of the suite: run by hand with --gtest_also_run_disabled_tests to time 100 MB.
TEST_F(SurfaceTest, DISABLED_HundredMegabytesTimed) {
    const std::string text = bigText(100u << 20);
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    };

    auto t0 = Clock::now();
    surface.SetText(text);
    auto t1 = Clock::now();
    const std::string back = surface.Text();
    auto t2 = Clock::now();
    const RichText content = surface.Content();
    auto t3 = Clock::now();
    const bool struck = surface.HasStrike();
    const Pos line = surface.GetLineFromChar(surface.TextLength() - 1);
    auto t4 = Clock::now();
    surface.SetContent(RichText{
        text, {TextRun{text.size() / 2}, TextRun{text.size() - text.size() / 2, kInsertedBlue}}});
    auto t5 = Clock::now();

    EXPECT_TRUE(back == text);
    EXPECT_TRUE(content.runs.empty());
    EXPECT_FALSE(struck);
    EXPECT_GT(line, 0);
    std::printf(
        "SetText %lld ms, Text %lld ms, Content %lld ms, queries %lld ms, SetContent %lld ms\n",
        static_cast<long long>(ms(t1 - t0)), static_cast<long long>(ms(t2 - t1)),
        static_cast<long long>(ms(t3 - t2)), static_cast<long long>(ms(t4 - t3)),
        static_cast<long long>(ms(t5 - t4)));
}

}  // namespace
}  // namespace scrivane
