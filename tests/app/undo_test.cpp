#include "app/menu_commands.h"
#include "app/opening.h"
#include "app/startup.h"
#include "app_fixture.h"
#include "tracking/undo_buffer.h"

namespace scrivane {
namespace {

using UndoTest = AppTest;

TEST_F(UndoTest, DisabledUntilAFileIsOpenedThenSwapsBackAndForth) {
    EXPECT_FALSE(ws.undo.canUndo());
    mnuUndo_Click(ws);  // nothing to undo: nothing happens
    EXPECT_EQ(mergedoc.Text(), "");

    openfile(ws, writeFile("a.txt", "line"));
    ASSERT_TRUE(ws.undo.canUndo());
    // The snapshot of the file as opened shares the stored text instead of copying it.
    EXPECT_TRUE(ws.undo.entries[0].shared == ws.doc.stored.version());
    // Nothing to prepare for the next snapshot until the text changes: it would share again.
    EXPECT_FALSE(warmUndoSlot(ws.undo, mergedoc, 2));
    EXPECT_EQ(ws.undo.entries[0].own.size(), 0u);
    mergedoc.SetSelStart(4);
    type("abc");
    EXPECT_TRUE(warmUndoSlot(ws.undo, mergedoc, 2));
    EXPECT_EQ(ws.undo.entries[0].own.size(), 2u);
    EXPECT_EQ(mergedoc.SelStart(), 7);

    mnuUndo_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "line");
    EXPECT_EQ(mergedoc.SelStart(), 0);
    mnuUndo_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "lineabc");
    EXPECT_EQ(mergedoc.SelStart(), 7);
}

TEST_F(UndoTest, RestoresMarkingSelectionAndTrackingMode) {
    const RichText marked{"old new",
                          {{3, kDeletedRed, true}, {1, kPlain, false}, {3, kInsertedBlue, false}}};
    mergedoc.SetContent(marked);
    mergedoc.SetSelStart(4);
    mergedoc.SetSelLength(2);
    ws.trackChanges = true;
    setundobuffer(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);

    mergedoc.SetText("plain");
    ws.trackChanges = false;
    mnuUndo_Click(ws);
    EXPECT_EQ(mergedoc.Content(), marked);
    EXPECT_EQ(mergedoc.SelStart(), 4);
    EXPECT_EQ(mergedoc.SelLength(), 2);
    EXPECT_TRUE(ws.trackChanges);
    EXPECT_TRUE(mergedoc.Enabled());

    mnuUndo_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "plain");
    EXPECT_FALSE(ws.trackChanges);
}

TEST_F(UndoTest, NewDisablesUndo) {
    openfile(ws, writeFile("a.txt", "x"));
    mnuNew_Click(ws);
    EXPECT_FALSE(ws.undo.canUndo());
}

}  // namespace
}  // namespace scrivane
