#include <Qsci/qsciscintillabase.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <string>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

long sci(ScintillaSurface& surface, unsigned int msg, long w = 0, long l = 0) {
    return surface.editor()->SendScintilla(msg, static_cast<unsigned long>(w), l);
}

// The row of `pos` on screen, counted from the first row of the document.
long rowOf(ScintillaSurface& s, Pos pos) {
    const long line = sci(s, Sci::SCI_LINEFROMPOSITION, pos);
    return sci(s, Sci::SCI_VISIBLEFROMDOCLINE, line) +
           (sci(s, Sci::SCI_POINTYFROMPOSITION, 0, pos) -
            sci(s, Sci::SCI_POINTYFROMPOSITION, 0, sci(s, Sci::SCI_POSITIONFROMLINE, line))) /
               sci(s, Sci::SCI_TEXTHEIGHT, line);
}

// 1000 lines; with wrapping, every other line takes three rows at 400 pixels.
std::string threeRowLines() {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        text += "line" + std::to_string(i) + (i % 2 == 0 ? std::string(120, ' ') : "") + "tail\r\n";
    }
    return text;
}

// Going to a place far away puts its row about a third of the way down the view, so that the
// lines before and after it show too; a place already well inside the view leaves the view
// alone. Rows are counted on screen: with wrapping, a target on a later row of a long line
// still comes a third of the way down. The selection is always the one asked for.
TEST(SurfaceScrollingTest, TargetShowsWithContext) {
    ScintillaSurface surface;
    surface.widget()->resize(400, 300);
    surface.widget()->show();
    const auto sci = [&surface](unsigned int msg, long w = 0, long l = 0) {
        return scrivane::sci(surface, msg, w, l);
    };
    for (const bool wrap : {false, true}) {
        surface.SetText(threeRowLines());
        surface.SetRightMargin(wrap ? 3 : 60000);
        // Until the editor has wrapped every line in the background.
        for (long rowsNow = -1; rowsNow != sci(Sci::SCI_VISIBLEFROMDOCLINE, 1000);) {
            rowsNow = sci(Sci::SCI_VISIBLEFROMDOCLINE, 1000);
            QTest::qWait(50);
        }
        ASSERT_GE(sci(Sci::SCI_LINESONSCREEN), 10);
        // In "tail": on the second row of a wrapped line.
        const auto tailOf = [&sci](long line) {
            return sci(Sci::SCI_GETLINEENDPOSITION, line) - 3;
        };
        const long rowsAtStart = sci(Sci::SCI_LINESONSCREEN);
        const struct {
            long viewLine;
            long targetLine;
            bool viewStays;
        } cases[] = {
            {0, rowsAtStart / 4, true},          // in the upper middle of the view
            {0, rowsAtStart - 1, false},         // on the bottom edge, or below it
            {0, 500, false},                     // far below
            {601, 601, false},                   // on the top edge
            {600, 100, false},                   // far above
            {600, 600 + rowsAtStart / 4, true},  // well inside a scrolled view
            {600, 2, false},                     // near the start: the view goes to the top
            {0, 999, false},                     // near the end: the view goes to the end
        };
        for (const auto& c : cases) {
            SCOPED_TRACE((wrap ? "wrapped, view at line " : "view at line ") +
                         std::to_string(c.viewLine) + ", target line " +
                         std::to_string(c.targetLine));
            sci(Sci::SCI_SETFIRSTVISIBLELINE, 1L << 30);
            const long lastTop = sci(Sci::SCI_GETFIRSTVISIBLELINE);  // the view stops at the end
            const long before = sci(Sci::SCI_VISIBLEFROMDOCLINE, c.viewLine);
            sci(Sci::SCI_SETFIRSTVISIBLELINE, before);
            // The rows on screen as the command sees them: a horizontal scroll bar that comes
            // and goes with the lines in view takes one.
            const long n = sci(Sci::SCI_LINESONSCREEN);
            const Pos target = tailOf(c.targetLine);
            surface.SelectInContext(target, 2);
            QTest::qWait(5);
            EXPECT_EQ(surface.SelStart(), target);
            EXPECT_EQ(surface.SelLength(), 2);
            const long top = sci(Sci::SCI_GETFIRSTVISIBLELINE);
            if (c.viewStays) {
                EXPECT_EQ(top, before);
            } else if (rowOf(surface, target) - n / 3 <= 0 ||
                       rowOf(surface, target) - n / 3 >= lastTop) {
                EXPECT_EQ(top, std::clamp(rowOf(surface, target) - n / 3, 0L, lastTop));
            } else {  // whole lines above it: a line of three rows may leave two rows short
                EXPECT_LE(rowOf(surface, target) - top, n / 3);
                EXPECT_GE(rowOf(surface, target) - top, n / 3 - (wrap ? 2 : 0));
            }
        }
    }
}

// A surface not yet on screen does not know the width it wraps to: the target is placed again
// once it is shown.
TEST(SurfaceScrollingTest, TargetPlacedAgainOnceShown) {
    ScintillaSurface surface;
    surface.widget()->resize(400, 300);
    surface.SetText(threeRowLines());
    surface.SetRightMargin(3);
    const Pos target = sci(surface, Sci::SCI_GETLINEENDPOSITION, 500) - 3;
    surface.SelectInContext(target, 0);
    surface.widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(surface.widget()));
    QTest::qWait(50);
    const long third = sci(surface, Sci::SCI_LINESONSCREEN) / 3;
    const long shown = rowOf(surface, target) - sci(surface, Sci::SCI_GETFIRSTVISIBLELINE);
    EXPECT_LE(shown, third);
    EXPECT_GE(shown, third - 2);
}

}  // namespace
}  // namespace scrivane
