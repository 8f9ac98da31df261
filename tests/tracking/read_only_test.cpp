#include <gtest/gtest.h>

#include <functional>

#include "tracking/read_only.h"
#include "tracking_fixture.h"

namespace scrivane {
namespace {

using ReadOnlyTest = TrackingTest;

// A file too large to edit: every way of changing it leaves it as it is and says why in the
// label; moving through it and copying from it still work.
TEST_F(ReadOnlyTest, EveryChangeIsRefusedAndSaid) {
    const std::string text = "first line\r\nsecond line\r\n";
    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const std::vector<Case> cases = {
        {"typing", [&] { typeChar('X'); }},
        {"Enter", [&] { press(key::Enter); }},
        {"Delete", [&] { press(key::Delete); }},
        {"Backspace", [&] { press(key::Backspace); }},
        {"Delete over a selection", [&] { select(0, 5), press(key::Delete); }},
        {"Ctrl+V", [&] { press('V', shift::Ctrl); }},
        {"middle-click paste", [&] { pasteText(ws, "pasted"); }},
        {"Cut", [&] { select(0, 5), mnuCut_Click(ws); }},
        {"Track Changes", [&] { mnuTrackChanges_Click(ws); }},
        {"Compare to", [&] { mnuCompareTo_Click(ws); }},
        {"Unstrike", [&] { select(0, 5), unstrike(ws); }},
    };
    for (const Case& c : cases) {
        auto pending = mergedoc.StartText(text.size(), true);
        ASSERT_TRUE(pending->Append(text));
        mergedoc.TakeText(std::move(pending), {});
        ASSERT_TRUE(mergedoc.ReadOnly());
        services.clipboard = "clip";
        view.statusLabel.clear();
        select(3, 0);
        c.act();
        EXPECT_EQ(mergedoc.Text(), text) << c.name;
        EXPECT_EQ(view.statusLabel, kReadOnlyNotice) << c.name;
        EXPECT_FALSE(ws.trackChanges) << c.name;
        EXPECT_EQ(services.clipboard, "clip") << c.name;
        EXPECT_FALSE(ws.undo.canUndo()) << c.name;
    }
    // Moving and copying are no changes.
    view.statusLabel.clear();
    select(0, 0);
    press(key::Right);
    EXPECT_EQ(mergedoc.SelStart(), 1);
    select(0, 5);
    mnuCopy_Click(ws);
    EXPECT_EQ(services.clipboard, "first");
    EXPECT_EQ(view.statusLabel, "");
    // A new content is editable again.
    mergedoc.SetText("new");
    EXPECT_FALSE(mergedoc.ReadOnly());
}

}  // namespace
}  // namespace scrivane
