#include <gtest/gtest.h>

#include <vector>

#include "recovery/write_schedule.h"

namespace scrivane {
namespace {

using namespace std::chrono_literals;

// Changes at the given seconds; the write falls due 3 s after the last, but never more than
// 30 s after the first one not yet written.
TEST(WriteSchedule, DueShortlyAfterChangesStopAndRegularlyWhileTheyGoOn) {
    const struct {
        const char* name;
        std::vector<int> changesAt;  // seconds
        int dueAt;                   // seconds; -1: nothing due
    } cases[] = {
        {"no change", {}, -1},
        {"one change", {10}, 13},
        {"a burst", {10, 11, 12}, 15},
        {"typing for a minute",
         {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32},
         30},
    };
    for (const auto& c : cases) {
        const WriteSchedule::Clock::time_point zero{};
        WriteSchedule schedule(3s, 30s, 30s);
        for (int at : c.changesAt) schedule.changed(zero + std::chrono::seconds(at));
        const auto due = schedule.due();
        if (c.dueAt < 0) {
            EXPECT_FALSE(due) << c.name;
        } else {
            ASSERT_TRUE(due) << c.name;
            EXPECT_EQ(*due, zero + std::chrono::seconds(c.dueAt)) << c.name;
        }
    }
}

TEST(WriteSchedule, AWriteStartsTheCountAfreshAndAFailureWaitsToRetry) {
    const WriteSchedule::Clock::time_point zero{};
    WriteSchedule schedule(3s, 30s, 30s);
    schedule.changed(zero);
    schedule.taken();
    EXPECT_FALSE(schedule.due());
    schedule.changed(zero + 40s);
    EXPECT_EQ(*schedule.due(), zero + 43s);
    schedule.taken();
    schedule.failed(zero + 44s);
    EXPECT_EQ(*schedule.due(), zero + 74s);
    schedule.clear();
    EXPECT_FALSE(schedule.pending());
}

}  // namespace
}  // namespace scrivane
