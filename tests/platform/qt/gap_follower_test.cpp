// Moving the editor's gap ahead inserts a byte and takes it back: nothing but the gap may
// change, whatever the text, its marking and the selection.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <array>
#include <random>

#include "surface_fixture.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

struct Seen {
    RichText content;
    std::vector<LineBreak> breaks;
    long anchor, caret;
    std::vector<long> indicators;  // strike and colour, at every byte
    std::string styles;
    std::uint64_t revision;
    int changes;

    bool operator==(const Seen&) const = default;
};

std::string randomText(std::mt19937& rng) {
    static const char* const pieces[] = {
        "word", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\r\n", "\t", "\x06"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 400)(rng);
    for (int i = 0; i < count; ++i) text += pieces[rng() % std::size(pieces)];
    return text;
}

// Plain, deleted (red, struck through) and inserted (blue) runs.
std::vector<TextRun> randomRuns(std::mt19937& rng, std::size_t length) {
    std::vector<TextRun> runs;
    for (std::size_t at = 0, run = 0; at < length; at += run) {
        run = std::min(length - at, std::size_t{1} + rng() % 40);
        const std::size_t kind = rng() % 3;
        runs.push_back({run, std::array{kPlain, kDeletedRed, kInsertedBlue}[kind], kind == 1});
    }
    return runs;
}

class GapFollowerTest : public SurfaceTest {
  protected:
    long sci(unsigned int msg, unsigned long w = 0, long l = 0) {
        return surface.editor()->SendScintilla(msg, w, l);
    }
    Seen seen() {
        Seen s{surface.Content(),
               surface.LineBreaks(),
               sci(Sci::SCI_GETANCHOR),
               sci(Sci::SCI_GETCURRENTPOS),
               {},
               {},
               surface.Revision(),
               events.changes};
        sci(Sci::SCI_COLOURISE, 0, -1);
        for (long pos = 0; pos < sci(Sci::SCI_GETLENGTH); ++pos) {
            const auto at = static_cast<unsigned long>(pos);
            s.indicators.push_back(sci(Sci::SCI_INDICATORVALUEAT,
                                       ScintillaSurface::kStrikeIndicator, static_cast<long>(at)));
            s.indicators.push_back(sci(Sci::SCI_INDICATORVALUEAT,
                                       ScintillaSurface::kColourIndicator, static_cast<long>(at)));
            s.styles += static_cast<char>(sci(Sci::SCI_GETSTYLEAT, at));
        }
        return s;
    }
};

TEST_F(GapFollowerTest, AJumpAheadBringsTheGapAndChangesNothingElse) {
    constexpr std::size_t kStep = 4;  // jumps of more than 16 bytes are followed
    std::mt19937 rng(7);
    int followed = 0;
    int aboveView = 0;  // the editor shows the caret, below the selection's start
    surface.editor()->resize(400, 120);
    for (int round = 0; round < 80; ++round) {
        surface.SetRightMargin(round % 2 == 0 ? 0 : 60000);  // Wrap Text on, off
        const std::string text = randomText(rng);
        surface.SetContent(RichText{text, randomRuns(rng, text.size())});
        // Any selection, backward or empty, even between CR and LF or inside a character.
        const auto anchor = static_cast<long>(rng() % (text.size() + 1));
        const auto caret = static_cast<long>(rng() % (text.size() + 1));
        sci(Sci::SCI_SETSEL, static_cast<unsigned long>(anchor), caret);
        sci(Sci::SCI_GETRANGEPOINTER, 0, static_cast<long>(text.size() + 1));  // gap to the start
        ASSERT_EQ(sci(Sci::SCI_GETGAPPOSITION), 0);
        QCoreApplication::processEvents();
        const Seen before = seen();
        const long viewStart =
            sci(Sci::SCI_POSITIONFROMLINE,
                static_cast<unsigned long>(
                    sci(Sci::SCI_DOCLINEFROMVISIBLE,
                        static_cast<unsigned long>(sci(Sci::SCI_GETFIRSTVISIBLELINE)))));

        EXPECT_FALSE(surface.BringGapTowardSelection(kStep));
        const long gap = sci(Sci::SCI_GETGAPPOSITION);  // reading the content moves it
        QCoreApplication::processEvents();

        EXPECT_TRUE(seen() == before) << round;
        auto expected = static_cast<std::size_t>(std::min(anchor, caret));
        if (expected > 4 * kStep) {
            while ((static_cast<unsigned char>(text[expected]) & 0xC0) == 0x80) --expected;
            if (text[expected - 1] == '\r') --expected;
        }
        // Not when it is a short way, nor above the view, whose styling the editor would redo.
        if (expected <= 4 * kStep || static_cast<long>(expected) < viewStart) {
            aboveView += expected > 4 * kStep;
            expected = 0;
        } else {
            ++followed;
        }
        EXPECT_EQ(gap, static_cast<long>(expected)) << round;
    }
    EXPECT_GT(followed, 30) << aboveView;
    EXPECT_GT(aboveView, 5) << followed;
}

}  // namespace
}  // namespace scrivane
