#include "tracking/previous_change.h"

#include <random>

#include "tracking/marked_position.h"
#include "tracking/tracking_fixture.h"

namespace scrivane {
namespace {

// Where Next Change has no counterpart to undo: no change at all, and tracking off.
TEST_F(TrackingTest, PreviousChangeWithoutChangesOrTracking) {
    ws.trackChanges = true;
    load("plain text", "..........");
    mergedoc.SetSelStart(4);
    findpreviouschange(ws, false);
    EXPECT_EQ(mergedoc.SelStart(), 10);  // the end, nothing selected
    EXPECT_EQ(mergedoc.SelLength(), 0);
    // Inside a change: that change is the one before the caret.
    load(
        "ab\x06"
        "cde",
        "..Bbbb");
    mergedoc.SetSelStart(5);
    findpreviouschange(ws, false);
    EXPECT_EQ(mergedoc.SelText(), "cde");
    // Tracking off: switched on first, as Next Change does.
    ws.trackChanges = false;
    const std::string old = "0123456789abcdefghij0123456789";
    mergedoc.SetText(old.substr(0, 4) + "XY" + old.substr(4));
    ws.doc.stored.set(old);
    findpreviouschange(ws, false);
    EXPECT_TRUE(ws.trackChanges);
    EXPECT_EQ(mergedoc.SelText(), "XY");
}

// A place in the real text maps onto the same byte of the marked text, and the two answers
// for one place have only struck text and markers between them.
TEST(MarkedPosition, LandsOnTheSameKeptByte) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string marked, real;
        std::vector<TextRun> runs;
        std::vector<bool> kept;
        const int count = static_cast<int>(random() % 7);
        for (int i = 0; i < count; ++i) {
            const TextRun run{1 + random() % 3, random() % 2 ? kPlain : kDeletedRed,
                              random() % 3 == 0, random() % 4 == 0};
            runs.push_back(run);
            for (std::size_t k = 0; k < run.length; ++k) {
                const char c = static_cast<char>('a' + marked.size() % 26);
                marked += c;
                kept.push_back(!run.strike && !run.marker);
                if (kept.back()) real += c;
            }
        }
        for (Pos p = 0; p <= static_cast<Pos>(real.size()); ++p) {
            const Pos after = markedPosition(runs, p, Side::After);
            const Pos before = markedPosition(runs, p, Side::Before);
            ASSERT_LE(before, after);
            for (Pos between = before; between < after; ++between) {
                EXPECT_FALSE(kept[static_cast<std::size_t>(between)]);
            }
            if (p < static_cast<Pos>(real.size())) {
                ASSERT_LT(after, static_cast<Pos>(marked.size()));
                EXPECT_EQ(marked[static_cast<std::size_t>(after)],
                          real[static_cast<std::size_t>(p)]);
            } else if (!runs.empty()) {
                EXPECT_EQ(after, static_cast<Pos>(marked.size()));
            }
        }
    }
    EXPECT_EQ(markedPosition({}, 5, Side::After), 5);
}

}  // namespace
}  // namespace scrivane
