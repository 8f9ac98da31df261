#include <gtest/gtest.h>

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

    // A struck run near the end, then the whole of it copied into another surface.
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
    copy.SetContent(surface.Content());
    EXPECT_TRUE(copy.Content() == marked);
}

}  // namespace
}  // namespace scrivane
