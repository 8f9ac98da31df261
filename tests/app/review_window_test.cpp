// Reviewing a comparison through the real window: started from the command line, walked with
// F2 and Shift+F2, and seen in the strip beside the scrollbar.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/change_strip.h"
#include "platform/qt/scintilla_surface.h"
#include "window_driver.h"

namespace scrivane {
namespace {

class ReviewWindowTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.path().toStdString() + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    // Where each change starts: the byte after each marker.
    static std::vector<Pos> changeStarts(const RichTextBox& doc) {
        std::vector<Pos> starts;
        for (Pos m = doc.NextMarker(0); m < doc.TextLength(); m = doc.NextMarker(m + 1)) {
            starts.push_back(m + 1);
        }
        return starts;
    }
    static ChangeStrip& stripOf(WindowDriver& d) { return *d.window().findChild<ChangeStrip*>(); }
    static QWidget* surfaceOf(WindowDriver& d) {
        return dynamic_cast<ScintillaSurface&>(d.surface()).widget();
    }

    QTemporaryDir dir;
};

// F2 from the first change visits every change once, wrapping to the top; Shift+F2 from there
// visits them in the opposite order, wrapping to the end.
TEST_F(ReviewWindowTest, NextAndPreviousChangeVisitTheRunsInOppositeOrders) {
    const struct {
        const char* name;
        std::string now, old;
    } cases[] = {
        {"one change", "alpha beta gamma\n", "alpha gamma\n"},
        {"in the middle", "one\nTWO\nthree\nfour\nFIVE\n", "one\ntwo\nthree\nfour\nfive\n"},
        {"at the very start and end", "Xabc def ghiY", "abc def ghi"},
        {"deleted lines", "a\nc\ne\n", "a\nb\nc\nd\ne\n"},
    };
    for (const auto& c : cases) {
        WindowDriver d({"--compare", write("now.txt", c.now), write("old.txt", c.old)});
        const std::vector<Pos> starts = changeStarts(d.surface());
        ASSERT_FALSE(starts.empty()) << c.name;
        const auto k = starts.size();
        EXPECT_EQ(d.surface().SelStart(), starts.front()) << c.name;
        std::vector<Pos> forward, backward;
        for (std::size_t i = 0; i < k; ++i) {
            d.key(Qt::Key_F2);
            forward.push_back(d.surface().SelStart());
            EXPECT_GT(d.surface().SelLength(), 0) << c.name;
        }
        for (std::size_t i = 0; i < k; ++i) {
            d.key(Qt::Key_F2, Qt::ShiftModifier);
            backward.push_back(d.surface().SelStart());
            EXPECT_GT(d.surface().SelLength(), 0) << c.name;
        }
        // Forward: the second change to the last, then the first again (the wrap).
        std::vector<Pos> expectForward(starts.begin() + 1, starts.end());
        expectForward.push_back(starts.front());
        EXPECT_EQ(forward, expectForward) << c.name;
        // Backward from the first: the last (the wrap) down to the first.
        EXPECT_EQ(backward, std::vector<Pos>(starts.rbegin(), starts.rend())) << c.name;
        EXPECT_TRUE(d.window().workspace().trackChanges) << c.name;
    }
}

// The strip shows while there are marks, beside the surface, follows edits, and a click on a
// tick puts the caret at its change. Its place stays when it hides: the surface keeps its
// width, so its lines are never laid out again for it.
TEST_F(ReviewWindowTest, ChangeStripShowsTheMarksAndGoesToThem) {
    std::string now, old;
    for (int i = 0; i < 200; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        old += line;
        now += i == 20 || i == 150 ? "changed " + line : line;
    }
    WindowDriver d({"--compare", write("now.txt", now), write("old.txt", old)});
    d.settle(5);
    ChangeStrip& strip = stripOf(d);
    ASSERT_TRUE(strip.isVisible());
    ASSERT_EQ(strip.ticks().size(), 2u);
    const QRect surface = surfaceOf(d)->geometry();
    EXPECT_EQ(strip.geometry().left(), surface.right() + 1);
    EXPECT_EQ(strip.height(), surface.height());
    EXPECT_LT(strip.ticks()[0].line, strip.ticks()[1].line);

    // A click on the second tick, then on the first.
    for (const std::size_t i : {std::size_t{1}, std::size_t{0}}) {
        const ChangeTick tick = strip.ticks()[i];
        QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier,
                          QPoint(strip.width() / 2, strip.rowOf(tick) + 1));
        d.settle(0);
        EXPECT_EQ(d.surface().SelStart(), tick.start) << i;
        EXPECT_EQ(d.surface().SelLength(), 0) << i;
        EXPECT_TRUE(d.surfaceHasFocus());
    }
    // Typed text with tracking on is one more tick, where it was typed.
    d.surface().SetSelStart(0);
    d.type("Q");
    d.settle(0);
    ASSERT_EQ(strip.ticks().size(), 3u);
    EXPECT_EQ(strip.ticks()[0].line, 0);
    EXPECT_FALSE(strip.ticks()[0].deleted);

    // Track Changes off accepts everything: no marks, no strip, the surface as wide as before.
    const int markedWidth = surfaceOf(d)->width();
    ASSERT_GT(strip.width(), 0);
    d.key(Qt::Key_T, Qt::ControlModifier);
    d.settle(0);
    EXPECT_FALSE(strip.isVisible());
    EXPECT_EQ(surfaceOf(d)->width(), markedWidth);
    // And on again: the marks, and with them the strip, are back in the same place.
    d.key(Qt::Key_T, Qt::ControlModifier);
    d.settle(0);
    EXPECT_TRUE(strip.isVisible());
    EXPECT_EQ(surfaceOf(d)->width(), markedWidth);
    EXPECT_EQ(strip.geometry().left(), surface.right() + 1);
}

}  // namespace
}  // namespace scrivane
