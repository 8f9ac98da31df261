#include <sys/stat.h>

#include <cstdlib>

#include "tracking/block_check.h"
#include "tracking/tracking_fixture.h"

namespace scrivane {
namespace {

const std::string kOld = "0123456789abcdefghij0123456789";

TEST_F(TrackingTest, SwitchingOnMarksEditsSinceOpeningAndKeepsTheCaret) {
    mergedoc.SetText("X" + kOld);
    ws.doc.stored.set(kOld);
    mergedoc.SetSelStart(1);
    mnuTrackChanges_Click(ws);
    EXPECT_TRUE(ws.trackChanges);
    EXPECT_EQ(mergedoc.Text(), "\x06X" + kOld);
    EXPECT_EQ(marks(), "Bb" + std::string(kOld.size(), '.'));
    EXPECT_EQ(mergedoc.SelStart(), 1);
    EXPECT_EQ(view.statusLabel, "1 difference was found.");

    // Off: struck text and markers go, the rest is plain; the caret goes to its line's start.
    load("ab\r\n\x06gone\x06new", "....RrrrrBbbb");
    mergedoc.SetSelStart(12);
    mnuTrackChanges_Click(ws);
    EXPECT_FALSE(ws.trackChanges);
    EXPECT_EQ(mergedoc.Text(), "ab\r\nnew");
    EXPECT_EQ(marks(), ".......");
    EXPECT_EQ(mergedoc.SelStart(), 4);
}

TEST_F(TrackingTest, NextChangeWalksTheRunsAndWrapsOnce) {
    ws.trackChanges = true;
    load(
        "\x06"
        "ab cd\x06"
        "efg",
        "Bbb...Rrrr");
    struct Step {
        Pos caret, selStart, selLength;
    };
    for (const Step& s : {Step{0, 7, 3}, Step{7, 1, 2}, Step{1, 7, 3}, Step{8, 1, 2}}) {
        mergedoc.SetSelStart(s.caret);
        findnextchange(ws, false);
        EXPECT_EQ(mergedoc.SelStart(), s.selStart) << s.caret;
        EXPECT_EQ(mergedoc.SelLength(), s.selLength) << s.caret;
    }
    // A lone marker before plain text selects the one character after it, a line break whole.
    load("a\x06\r\nb", ".B...");
    mergedoc.SetSelStart(0);
    findnextchange(ws, false);
    EXPECT_EQ(mergedoc.SelStart(), 2);
    EXPECT_EQ(mergedoc.SelLength(), 2);
    // No marker anywhere: the caret goes to the top, nothing selected.
    load("plain text", "..........");
    mergedoc.SetSelStart(4);
    findnextchange(ws, false);
    EXPECT_EQ(mergedoc.SelStart(), 0);
    EXPECT_EQ(mergedoc.SelLength(), 0);
}

TEST_F(TrackingTest, NextChangeWithTrackingOffSwitchesItOn) {
    mergedoc.SetText(kOld.substr(0, 4) + "XY" + kOld.substr(4));
    ws.doc.stored.set(kOld);
    findnextchange(ws, false);
    EXPECT_TRUE(ws.trackChanges);
    EXPECT_EQ(mergedoc.SelText(), "XY");
}

TEST_F(TrackingTest, UnstrikeRestoresTheSelectionWithoutMarkers) {
    load(
        "a\x06"
        "bc\x06"
        "d",
        ".RrrBb");
    select(1, 5);
    unstrike(ws);
    EXPECT_EQ(mergedoc.Text(), "abcd");
    EXPECT_EQ(marks(), "....");
    EXPECT_EQ(mergedoc.SelStart(), 1);
    EXPECT_EQ(mergedoc.SelLength(), 0);
}

TEST_F(TrackingTest, CompareToShowsTheDifferenceAndLeavesTrackingOn) {
    const std::string other = writeFile("old.txt", kOld);
    mergedoc.SetText("0123XY456789abcdefghij0123456789");
    ws.doc.stored.set(mergedoc.Text());
    services.openNames = {other};
    mnuCompareTo_Click(ws);
    EXPECT_TRUE(ws.trackChanges);
    EXPECT_EQ(mergedoc.Text(), "0123\x06XY456789abcdefghij0123456789");
    EXPECT_EQ(view.statusLabel, "1 difference was found.");

    // Again, now against the same text: the marks made by the first go first.
    const std::string same = writeFile("same.txt", "0123XY456789abcdefghij0123456789");
    services.openNames = {same};
    mnuCompareTo_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "0123XY456789abcdefghij0123456789");
    EXPECT_TRUE(mergedoc.Runs().empty());
    EXPECT_EQ(view.statusLabel, "No differences were found.");
}

// The file is read before anything changes: one that cannot be read leaves the marks and
// Track Changes as they were.
TEST_F(TrackingTest, CompareToAFileThatCannotBeReadKeepsTheDocument) {
    const std::string fifo = dir() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& bad : {dir() + "/missing.txt", dir(), fifo}) {
        ws.trackChanges = true;
        load("ab\x06gone", "..Rrrrr");
        services.openNames = {bad};
        mnuCompareTo_Click(ws);
        EXPECT_EQ(mergedoc.Text(), "ab\x06gone") << bad;
        EXPECT_EQ(marks(), "..Rrrrr") << bad;
        EXPECT_TRUE(ws.trackChanges) << bad;
        EXPECT_NE(services.lastMessage().find(" opening " + bad), std::string::npos) << bad;
    }
    services.openNames = {""};  // cancelled
    mnuCompareTo_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "ab\x06gone");
}

TEST_F(TrackingTest, BlockCheckWritesThePrivateFileAndShowsIt) {
    const std::string runtime = dir() + "/run";
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    optBlockCheck_Click(ws);
    EXPECT_TRUE(ws.blockCheck);
    EXPECT_EQ(services.lastMessage(), "Next time you compare your document, the file \"" + runtime +
                                          "/scrivane/blocks.txt\" will be created.");
    mergetext(ws, RichText{"new text here!"}, "old text there");
    ASSERT_EQ(services.viewerOpened.size(), 1u);
    EXPECT_EQ(services.viewerOpened[0], runtime + "/scrivane/blocks.txt");
    EXPECT_EQ(readFile(services.viewerOpened[0]).rfind("New length: 14", 0), 0u);
    struct stat info {};
    ASSERT_EQ(::stat((runtime + "/scrivane").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A directory open to others is not written through; the comparison still shows.
    ASSERT_EQ(::chmod((runtime + "/scrivane").c_str(), 0777), 0);
    mergetext(ws, RichText{"abc"}, "abd");
    EXPECT_EQ(services.viewerOpened.size(), 1u);
    EXPECT_NE(services.lastMessage().find(" opening " + runtime), std::string::npos);
    EXPECT_NE(mergedoc.Text().find('\x06'), std::string::npos);
    ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace scrivane
