#include "files/opening_budget.h"

#include <gtest/gtest.h>

namespace scrivane {
namespace {

constexpr std::uint64_t MB = std::uint64_t{1} << 20;
constexpr std::uint64_t GB = std::uint64_t{1} << 30;

TEST(OpeningBudget, Table) {
    struct Case {
        const char* name;
        std::uint64_t file;
        std::optional<std::uint64_t> available;
        bool wrap;
        OpenMode mode;
        bool fits;
    };
    const Case cases[] = {
        {"small, memory unknown", 10 * MB, std::nullopt, true, OpenMode::Editable, true},
        {"1 GB with room", GB, 8 * GB, true, OpenMode::Editable, true},
        {"1 GB, too little", GB, 1200 * MB, true, OpenMode::Editable, false},
        {"64 MB wrapped keeps styles", 64 * MB, 300 * MB, true, OpenMode::Editable, false},
        {"64 MB unwrapped needs none", 64 * MB, 300 * MB, false, OpenMode::Editable, true},
        {"larger, wrapped or not, none", 80 * MB, 300 * MB, true, OpenMode::Editable, true},
        {"largest editable", kLargestEditable, 16 * GB, true, OpenMode::Editable, true},
        {"one byte more is read-only", kLargestEditable + 1, 16 * GB, true, OpenMode::ReadOnly,
         true},
        {"read-only keeps no copy", 5 * GB / 2, 3 * GB, false, OpenMode::ReadOnly, true},
        {"read-only, too little", 5 * GB / 2, 2 * GB, false, OpenMode::ReadOnly, false},
        {"empty file, no memory", 0, 0, true, OpenMode::Editable, false},
    };
    for (const Case& c : cases) {
        const OpeningBudget budget = openingBudget(c.file, c.available, c.wrap);
        EXPECT_EQ(budget.mode, c.mode) << c.name;
        EXPECT_EQ(budget.fits, c.fits) << c.name;
        EXPECT_GT(budget.needed, c.file) << c.name;
    }
}

TEST(OpeningBudget, MessageAndMemInfo) {
    EXPECT_EQ(notEnoughMemory(3 * GB, 2 * GB + MB / 2),
              "Not enough memory (about 3072 MB needed, 2049 MB available)");
    const std::string meminfo =
        "MemTotal:       24683520 kB\nMemFree:        18767324 kB\nMemAvailable:   "
        "24135000 kB\nBuffers:          1024 kB\n";
    EXPECT_EQ(memAvailable(meminfo), std::uint64_t{24135000} * 1024);
    EXPECT_EQ(memAvailable("MemTotal: 1 kB\n"), std::nullopt);
}

}  // namespace
}  // namespace scrivane
