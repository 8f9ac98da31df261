#include "settings/display_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace scrivane {
namespace {

TEST(DisplayOptions, RightMarginFollowsWrap) {
    EXPECT_EQ(rightMarginFor(true), 3.0f);
    EXPECT_EQ(rightMarginFor(false), 60000.0f);
}

TEST(DisplayOptions, FontDialogAnswers) {
    struct Case {
        std::optional<FontSpec> answer;
        std::optional<FontSpec> applied;
    };
    const FontSpec serif{"Serif", 12.5, true, false};
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt},
        {FontSpec{" ", 12, false, false}, std::nullopt},
        {serif, serif},
        {FontSpec{"  ", 9, false, true}, FontSpec{"  ", 9, false, true}},
        {FontSpec{"", 9, false, false}, FontSpec{"", 9, false, false}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fontToApply(c.answer), c.applied);
    }
}

}  // namespace
}  // namespace scrivane
