#include <gtest/gtest.h>

#include "navigate/goto_line.h"

namespace scrivane {
namespace {

TEST(GotoBox, ReadsLeadingNumberRoundedHalfToEven) {
    const struct {
        const char* text;
        std::optional<Pos> target;
    } cases[] = {
        {"", std::nullopt},
        {"0", std::nullopt},
        {"-4", std::nullopt},
        {"abc", std::nullopt},
        {"12", 12},
        {"12abc", 12},
        {"3.5", 4},
        {"2.5", 2},
        {"0.4", std::nullopt},
        {"0.6", 1},
        {"+7", 7},
        {"1.2.3", 1},
        {" 5", 5},
        {"99999999999999999999999", roundHalfEven(1e23)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gotoTarget(c.text), c.target) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace scrivane
