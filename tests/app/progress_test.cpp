// Long commands tell their progress as they go and end it however they end; a comparison
// stopped with Escape leaves the document, its marks and the mode as they were.

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <functional>
#include <random>

#include "app/opening.h"
#include "app/saving.h"
#include "app_fixture.h"
#include "editing/indentation.h"
#include "editing/replace_all.h"
#include "tracking/track_changes.h"
#include "window_driver.h"

namespace scrivane {
namespace {

class Bar final : public SearchBarView {
  public:
    std::string FindText() const override { return find; }
    void SetFindText(const std::string& text) override { find = text; }
    std::string ReplaceText() const override { return replace; }
    bool Exact() const override { return true; }
    void FocusFindBox() override {}

    std::string find;
    std::string replace;
};

class ProgressTest : public AppTest {
  protected:
    // A document long enough for every command to tell several figures: many indented lines.
    void openLongDocument() {
        std::string lines;
        for (int n = 0; lines.size() < (std::size_t{2} << 20); ++n) {
            lines += "    line " + std::to_string(n) + " of a long list of lines\r\n";
        }
        forgetChanges();
        openfile(ws, writeFile("long.txt", lines));
        services.messages.clear();
        // A few edits, so that tracking has something to show.
        for (const Pos at : {Pos{10}, Pos{700000}, Pos{1500000}}) {
            mergedoc.SetSelStart(at);
            type("EDIT");
        }
    }

    Bar bar;
};

TEST_F(ProgressTest, LongCommandsTellRisingFiguresAndEndOnce) {
    struct Case {
        const char* name;
        std::function<void()> run;
    };
    const std::string other = writeFile("other.txt", "an unrelated short text\r\n");
    const std::vector<Case> cases = {
        {"Save", [&] { savefile(ws, dir() + "/saved.txt"); }},
        {"Replace All",
         [&] {
             bar.find = "line";
             bar.replace = "row";
             cmdReplaceAll_Click(ws, bar, {});
         }},
        {"Fix Indents", [&] { mnuFixIndents_Click(ws, {}); }},
        {"Track Changes", [&] { mnuTrackChanges_Click(ws); }},
        {"Compare to",
         [&] {
             services.openNames = {other};
             mnuCompareTo_Click(ws);
         }},
    };
    for (const Case& c : cases) {
        openLongDocument();
        services.progress.clear();
        const int ends = services.progressEnds;
        c.run();
        EXPECT_FALSE(services.progress.empty()) << c.name;
        EXPECT_TRUE(std::is_sorted(services.progress.begin(), services.progress.end())) << c.name;
        EXPECT_GE(services.progress.front(), 0.0) << c.name;
        EXPECT_LE(services.progress.back(), 1.0) << c.name;
        EXPECT_EQ(services.progressEnds, ends + 1) << c.name;
        EXPECT_TRUE(services.messages.empty()) << c.name << ": " << services.lastMessage();
    }
    // The saved file holds the document, every byte written.
    openLongDocument();
    savefile(ws, dir() + "/saved.txt");
    EXPECT_EQ(readFile(dir() + "/saved.txt"), mergedoc.Text());
}

TEST_F(ProgressTest, StoppedComparisonsLeaveEverythingAsItWas) {
    const std::string other = writeFile("other.txt", "an unrelated short text\r\n");
    struct Case {
        const char* name;
        bool trackingBefore;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"Track Changes", false, [&] { mnuTrackChanges_Click(ws); }},
        {"Compare to, tracking off", false,
         [&] {
             services.openNames = {other};
             mnuCompareTo_Click(ws);
         }},
        {"Compare to, tracking on and marks shown", true,
         [&] {
             services.openNames = {other};
             mnuCompareTo_Click(ws);
         }},
    };
    for (const Case& c : cases) {
        openLongDocument();
        // The mode outlives an opening: set it as the case wants it.
        if (ws.trackChanges != c.trackingBefore) mnuTrackChanges_Click(ws);
        ASSERT_EQ(ws.trackChanges, c.trackingBefore) << c.name;
        const RichText before = mergedoc.Content();
        const int ends = services.progressEnds;
        services.progress.clear();
        services.cancelAtProgress = 0;
        c.run();
        services.cancelAtProgress = -1;
        EXPECT_EQ(mergedoc.Content(), before) << c.name;
        EXPECT_EQ(ws.trackChanges, c.trackingBefore) << c.name;
        EXPECT_EQ(services.progressEnds, ends + 1) << c.name;
        EXPECT_TRUE(services.messages.empty()) << c.name << ": " << services.lastMessage();
        // Not stopped, the same command goes through.
        c.run();
        EXPECT_TRUE(ws.trackChanges) << c.name;
        EXPECT_FALSE(mergedoc.Runs().empty()) << c.name;
    }
}

}  // namespace
}  // namespace scrivane

namespace scrivane {
namespace {

// Random letters in lines: two such texts share next to no chunk, so that every pass of the
// comparison goes over all of them, as with two unrelated files.
std::string letters(std::uint32_t seed, std::size_t length) {
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < length) {
        text += rng() % 60 == 0 ? '\n' : static_cast<char>('a' + rng() % 26);
    }
    return text;
}

// Through the real window, its events running: Escape pressed while Track Changes compares two
// unrelated texts stops the comparison, and the document and the mode stay as they were.
TEST(ProgressWindowTest, EscapeStopsTrackChangesInTheWindow) {
    QTemporaryDir tmp;
    const std::string path = tmp.path().toStdString() + "/words.txt";
    std::ofstream(path, std::ios::binary) << letters(1, std::size_t{4} << 20);
    WindowDriver d(path, false);
    RichTextBox& surface = d.surface();
    surface.SetText(letters(2, std::size_t{4} << 20));
    const RichText before = surface.Content();
    // Pressed as soon as the window's events run while the comparison goes on: queued, as a
    // key that arrives during the work is.
    QTimer::singleShot(0, &d.window(), [] {
        QCoreApplication::postEvent(
            QApplication::focusWidget(),
            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    d.key(Qt::Key_T, Qt::ControlModifier);
    d.settle(50);
    EXPECT_FALSE(d.window().workspace().trackChanges);
    EXPECT_EQ(surface.Content(), before);
    EXPECT_TRUE(d.surfaceHasFocus());
    EXPECT_EQ(d.unexpectedDialog(), "");
}

}  // namespace
}  // namespace scrivane
