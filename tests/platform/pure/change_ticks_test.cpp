#include "platform/pure/change_ticks.h"

#include <gtest/gtest.h>

namespace scrivane {
namespace {

TEST(ChangeTicks, OneTickPerMarkedRunAtItsLine) {
    const TextRun plain{4, kPlain, false, false};
    const TextRun blueMarker{1, kInsertedBlue, false, true};
    const TextRun blue{3, kInsertedBlue, false, false};
    const TextRun redMarker{1, kDeletedRed, true, true};
    const TextRun red{2, kDeletedRed, true, false};
    // Every fourth byte starts a line.
    const auto lineOf = [](Pos pos) { return pos / 4; };
    const struct {
        const char* name;
        std::vector<TextRun> runs;
        std::vector<ChangeTick> ticks;
    } cases[] = {
        {"all plain", {}, {}},
        {"a marker shares its run's tick", {plain, blueMarker, blue}, {{1, 5, false}}},
        {"deleted then inserted",
         {redMarker, red, blueMarker, blue, plain},
         {{0, 1, true}, {1, 4, false}}},
        {"coloured text without a marker",
         {plain, blue, plain, red},
         {{1, 4, false}, {2, 11, true}}},
        {"a lone marker: after it", {plain, redMarker, plain}, {{1, 5, true}}},
        {"a lone marker at the end", {plain, blueMarker}, {{1, 5, false}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(changeTicks(c.runs, lineOf), c.ticks) << c.name;
    }
}

TEST(ChangeTicks, RowsShareTheHeightByLine) {
    const struct {
        Pos line, lineCount;
        int height, row;
    } cases[] = {
        {0, 100, 50, 0},
        {99, 100, 50, 49},
        {50, 100, 50, 25},
        {0, 1, 50, 0},
        {3, 4, 400, 300},
        {5, 2, 100, 50},  // past the end: last line
        {-1, 10, 100, 0},
        {0, 0, 100, 0},
        {7, 10, 0, 0},
        // 50 million lines (a 100 MB file) do not overflow.
        {49'999'999, 50'000'000, 1000, 999},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tickRow(c.line, c.lineCount, c.height), c.row)
            << c.line << "/" << c.lineCount << " in " << c.height;
    }
}

TEST(ChangeTicks, ClickGoesToTheNearestTickWithinReach) {
    // Rows 10, 20 and 21 in a strip of 100 rows over 100 lines.
    const std::vector<ChangeTick> ticks = {{10, 100, false}, {20, 200, true}, {21, 210, false}};
    const struct {
        int y, slack, tick;
    } cases[] = {
        {10, 3, 0}, {12, 3, 0}, {14, 3, -1}, {16, 4, 1},  // four rows from 20, six from 10
        {20, 3, 1}, {22, 3, 2}, {90, 3, -1}, {0, 0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tickAt(ticks, 100, 100, c.y, c.slack), c.tick) << c.y;
    }
    EXPECT_EQ(tickAt({}, 100, 100, 10, 5), -1);
}

}  // namespace
}  // namespace scrivane
