#include "tracking/tracking_fixture.h"

namespace scrivane {
namespace {

// One key on the surface: the document before (text, marks, selection) and after.
struct KeyCase {
    const char* name;
    bool tracking;
    std::string text, marks;
    Pos selStart, selLength;
    int key;
    int mods;
    std::string textAfter, marksAfter;
    Pos caretAfter;
    std::string clipboardAfter = "-";  // "-": not looked at
};

const int kNone = 0;
const int kShift = shift::Shift;
const int kCtrl = shift::Ctrl;
const int kCtrlShift = shift::Ctrl | shift::Shift;

const std::vector<KeyCase>& keyCases() {
    static const std::vector<KeyCase> cases = {
        {"Backspace strikes the letter before", true, "abc", "...", 3, 0, key::Backspace, kNone,
         "abc", "..r", 2},
        {"Delete strikes the letter after, caret behind it", true, "abc", "...", 1, 0, key::Delete,
         kNone, "abc", ".r.", 2},
        {"Delete takes a line break whole", true, "ab\r\ncd", "......", 2, 0, key::Delete, kNone,
         "ab\r\ncd", "..rr..", 4},
        {"Backspace takes a line break whole", true, "ab\r\ncd", "......", 4, 0, key::Backspace,
         kNone, "ab\r\ncd", "..rr..", 2},
        {"Delete between CR and LF takes the pair", true, "ab\r\ncd", "......", 3, 0, key::Delete,
         kNone, "ab\r\ncd", "..rr..", 4},
        {"Delete on blue text removes it", true, "abXc", "..b.", 2, 0, key::Delete, kNone, "abc",
         "...", 2},
        {"Backspace on blue text removes it", true, "abX", "..b", 3, 0, key::Backspace, kNone, "ab",
         "..", 2},
        {"Delete on a lone marker removes it", true,
         "a\x06"
         "b",
         ".R.", 1, 0, key::Delete, kNone, "ab", "..", 1},
        {"Delete on a byte 6 of the file strikes it", true,
         "a\x06"
         "b",
         "...", 1, 0, key::Delete, kNone,
         "a\x06"
         "b",
         ".r.", 2},
        {"Ctrl+Delete on a marker takes it back", true,
         "a\x06"
         "b",
         ".R.", 1, 0, key::Delete, kCtrl, "ab", "..", 2},
        {"Delete over a mixed selection strikes it whole", true, "abXcd", "..b..", 1, 3,
         key::Delete, kNone, "abXcd", ".rrr.", 4},
        {"Backspace at the start strikes nothing", true, "ab", "..", 0, 0, key::Backspace, kNone,
         "ab", "..", 0},
        {"Delete at the end strikes nothing", true, "ab", "..", 2, 0, key::Delete, kNone, "ab",
         "..", 2},
        {"Delete takes a whole UTF-8 character", true,
         "a\xC3\xA9"
         "b",
         "....", 1, 0, key::Delete, kNone,
         "a\xC3\xA9"
         "b",
         ".rr.", 3},
        {"Backspace takes a whole UTF-8 character", true, "a\xE2\x82\xAC", "....", 4, 0,
         key::Backspace, kNone, "a\xE2\x82\xAC", ".rrr", 1},
        {"Shift+Delete copies and strikes", true, "abcd", "....", 1, 2, key::Delete, kShift, "abcd",
         ".rr.", 3, "bc"},
        {"Shift+Backspace copies and strikes, caret before", true, "abcd", "....", 1, 2,
         key::Backspace, kShift, "abcd", ".rr.", 1, "bc"},
        {"Ctrl+Delete unstrikes", true, "abc", ".r.", 1, 0, key::Delete, kCtrl, "abc", "...", 2},
        {"Ctrl+Backspace unstrikes the letter before", true, "abc", "..r", 3, 0, key::Backspace,
         kCtrl, "abc", "...", 2},
        {"Ctrl+Shift+Delete only moves", true, "abc", "...", 0, 0, key::Delete, kCtrlShift, "abc",
         "...", 1},
        {"Ctrl+Shift+Backspace only moves", true, "abc", "...", 2, 0, key::Backspace, kCtrlShift,
         "abc", "...", 1},
        {"Delete without tracking deletes", false, "abc", "...", 1, 0, key::Delete, kNone, "ac",
         "..", 1},
        {"Backspace without tracking deletes", false, "abc", "...", 3, 0, key::Backspace, kNone,
         "ab", "..", 2},
        {"F2 passes through untouched", true, "abc", "...", 1, 0, key::F2, kNone, "abc", "...", 1},
        {"Alt+Delete passes through", true, "abc", "...", 1, 0, key::Delete, shift::Alt, "abc",
         "...", 1},
    };
    return cases;
}

TEST_F(TrackingTest, KeyTable) {
    for (const KeyCase& c : keyCases()) {
        ws.trackChanges = c.tracking;
        services.clipboard = "-";
        load(c.text, c.marks);
        select(c.selStart, c.selLength);
        press(c.key, c.mods);
        EXPECT_EQ(mergedoc.Text(), c.textAfter) << c.name;
        EXPECT_EQ(marks(), c.marksAfter) << c.name;
        EXPECT_EQ(mergedoc.SelStart(), c.caretAfter) << c.name;
        EXPECT_EQ(mergedoc.SelLength(), 0) << c.name;
        if (c.clipboardAfter != "-") {
            EXPECT_EQ(services.clipboard, c.clipboardAfter) << c.name;
        }
    }
}

TEST_F(TrackingTest, TypedTextIsBlueWhileTrackingAndPlainOtherwise) {
    for (const bool tracking : {true, false}) {
        ws.trackChanges = tracking;
        load("ab", "r.");
        select(1, 0);
        typeChar('x');
        EXPECT_EQ(mergedoc.Text(), "axb");
        EXPECT_EQ(marks(), tracking ? "rb." : "r..");
        // Typing over struck text replaces it, in the typing colour.
        load("abcd", ".rr.");
        select(1, 2);
        typeChar('y');
        EXPECT_EQ(mergedoc.Text(), "ayd");
        EXPECT_EQ(marks(), tracking ? ".b." : "...");
    }
}

TEST_F(TrackingTest, TypingRunTakesOneSnapshotUntilTheCaretIsMovedAway) {
    load("line\r\nnext", "..........");
    select(4, 0);
    for (char c : std::string("xyz")) typeChar(c);
    ASSERT_EQ(mergedoc.Text(), "linexyz\r\nnext");
    mnuUndo_Click(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);
    EXPECT_EQ(mergedoc.Text(), "line\r\nnext");
    EXPECT_EQ(mergedoc.SelStart(), 4);
    mnuUndo_Click(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);
    EXPECT_EQ(mergedoc.Text(), "linexyz\r\nnext");
    // A click ends the run: the next letter takes a new snapshot.
    mergedoc_MouseUp(ws);
    typeChar('w');
    mnuUndo_Click(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);
    EXPECT_EQ(mergedoc.Text(), "linexyz\r\nnext");
}

TEST_F(TrackingTest, AutoIndentAfterEnterKeepsMarksElsewhere) {
    for (const bool autoIndent : {true, false}) {
        ws.settings.autoIndent = autoIndent;
        ws.trackChanges = true;
        load(" \t x\r\ngone", "......rrrr");
        select(4, 0);
        press(key::Enter);
        const std::string indent = autoIndent ? " \t " : "";
        EXPECT_EQ(mergedoc.Text(), " \t x\r\n" + indent + "\r\ngone");
        EXPECT_EQ(marks(), "...." + std::string(2 + indent.size(), 'b') + "..rrrr");
        EXPECT_EQ(mergedoc.SelStart(), 6 + static_cast<Pos>(indent.size()));
    }
}

TEST_F(TrackingTest, BackspaceOverTheOnlyCharacterOfALineInsertsNoIndent) {
    ws.settings.autoIndent = true;
    load("  a\r\nb", "......");
    select(6, 0);
    press(key::Backspace);
    EXPECT_EQ(mergedoc.Text(), "  a\r\n");
}

TEST_F(TrackingTest, PasteReplacesOnlyTheSelection) {
    for (const bool tracking : {true, false}) {
        ws.trackChanges = tracking;
        load("keep gone", "....rrrrr");
        select(0, 2);
        services.clipboard = "P\nQ";
        plainPaste(ws);
        EXPECT_EQ(mergedoc.Text(), "P\r\nQep gone");
        EXPECT_EQ(marks(), std::string(4, tracking ? 'b' : '.') + "..rrrrr");
        EXPECT_EQ(mergedoc.SelStart(), 4);
        // Nothing on the clipboard: nothing changes, not even the selection.
        services.clipboard.clear();
        select(0, 3);
        plainPaste(ws);
        EXPECT_EQ(mergedoc.Text(), "P\r\nQep gone");
    }
}

TEST_F(TrackingTest, ClipboardTextFollowsALatin1Document) {
    load("caf\xE9", "....");
    ASSERT_FALSE(mergedoc.IsUtf8());
    select(0, 4);
    mnuCopy_Click(ws);
    EXPECT_EQ(services.clipboard, "caf\xC3\xA9");
    select(4, 0);
    plainPaste(ws);
    EXPECT_EQ(mergedoc.Text(),
              "caf\xE9"
              "caf\xE9");
    services.clipboard = "\xE2\x82\xAC";  // the euro sign has no Latin-1 byte
    plainPaste(ws);
    EXPECT_EQ(mergedoc.Text(),
              "caf\xE9"
              "caf\xE9?");
}

}  // namespace
}  // namespace scrivane
