#include <Qsci/qsciscintillabase.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <string>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

class SurfaceScrollingTest : public ::testing::Test {
  protected:
    SurfaceScrollingTest() {
        surface.widget()->resize(400, 300);
        surface.widget()->show();
    }

    long sci(unsigned int msg, unsigned long w = 0, long l = 0) const {
        return surface.editor()->SendScintilla(msg, w, l);
    }
    long firstRow() const { return sci(Sci::SCI_GETFIRSTVISIBLELINE); }
    long rows() const { return sci(Sci::SCI_LINESONSCREEN); }
    long rowOf(Pos pos) const {
        const long line = sci(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
        const long lineStart = sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        const long sub = (sci(Sci::SCI_POINTYFROMPOSITION, 0, static_cast<long>(pos)) -
                          sci(Sci::SCI_POINTYFROMPOSITION, 0, lineStart)) /
                         sci(Sci::SCI_TEXTHEIGHT, static_cast<unsigned long>(line));
        return sci(Sci::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line)) + sub;
    }
    Pos lineStart(long line) const {
        return sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    }
    // Lets the editor lay out (and wrap) what it shows.
    static void settle() { QTest::qWait(20); }

    ScintillaSurface surface;
};

// Going to a line far away puts it about a third of the way down the view, so that the lines
// before and after it show too; a line already well inside the view leaves the view alone.
// The selection is always the one asked for.
TEST_F(SurfaceScrollingTest, TargetShowsWithContext) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "line " + std::to_string(i) + "\r\n";
    surface.SetText(text);
    settle();
    const long n = rows();
    ASSERT_GE(n, 10);
    const long lastTop = 1001 - n;  // the view stops at the last line

    enum class View { Stays, ThirdDown };
    const struct {
        long viewTop;
        long targetLine;
        View view;
    } cases[] = {
        {0, n / 2, View::Stays},          // in the middle of the view
        {0, n - 1, View::ThirdDown},      // on the bottom edge
        {0, 500, View::ThirdDown},        // far below
        {600, 601, View::ThirdDown},      // on the top edge
        {600, 100, View::ThirdDown},      // far above
        {600, 600 + n / 2, View::Stays},  // well inside a scrolled view
        {600, 2, View::ThirdDown},        // near the start: the view goes to the top
        {0, 999, View::ThirdDown},        // near the end: the view goes to the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("view at " + std::to_string(c.viewTop) + ", line " +
                     std::to_string(c.targetLine));
        sci(Sci::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(c.viewTop));
        const Pos start = lineStart(c.targetLine) + 2;
        surface.SelectInContext(start, 3);
        settle();
        EXPECT_EQ(surface.SelStart(), start);
        EXPECT_EQ(surface.SelLength(), 3);
        if (c.view == View::Stays) {
            EXPECT_EQ(firstRow(), c.viewTop);
        } else {
            EXPECT_EQ(firstRow(), std::clamp(c.targetLine - n / 3, 0L, lastTop));
        }
    }
}

// With wrapping, rows are counted on screen, not in document lines: the target (even one on
// a later row of a wrapped line) still comes a third of the way down.
TEST_F(SurfaceScrollingTest, WrappedLinesCountTheirRows) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        for (int w = 0; w < 40; ++w) text += "word" + std::to_string(i) + " ";
        text += "\r\n";
    }
    surface.SetText(text);
    surface.SetRightMargin(3);
    settle();
    const long n = rows();
    ASSERT_GE(n, 10);
    for (const Pos target : {lineStart(300), lineStart(200) + 250, lineStart(5) + 200}) {
        SCOPED_TRACE(target);
        sci(Sci::SCI_SETFIRSTVISIBLELINE, 0);
        surface.SelectInContext(target, 0);
        settle();
        ASSERT_GT(sci(Sci::SCI_WRAPCOUNT,
                      static_cast<unsigned long>(
                          sci(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(target)))),
                  1);
        EXPECT_EQ(rowOf(target) - firstRow(), n / 3);
    }
}

}  // namespace
}  // namespace scrivane
