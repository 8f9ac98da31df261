#include <gtest/gtest.h>

#include "app/layout.h"

namespace scrivane {
namespace {

TEST(Layout, SurfaceFollowsTheWindowAndNeverGoesNegative) {
    constexpr int kDpi = 1440;  // a pixel is a twip
    const struct {
        int width, height;
        bool laidOut;
        int surfaceWidth, surfaceHeight;
    } cases[] = {
        {kClientWidth, kClientHeight, true, kClientWidth - 240 - kMargin,
         kClientHeight - 960 - kMargin},
        {20000, 15000, true, 20000 - 480, 15000 - 1200},
        {499, 5000, false, 0, 0},
        {5000, 899, false, 0, 0},
        {500, 900, true, 20, 0},  // too small for the surface: size 0, not negative
        {600, 1000, true, 120, 0},
    };
    for (const auto& c : cases) {
        const auto r = surfaceRect(c.width, c.height, kMergedoc.left, kMergedoc.top, kDpi);
        ASSERT_EQ(r.has_value(), c.laidOut) << c.width << "x" << c.height;
        if (!r) continue;
        EXPECT_EQ(r->left, kMergedoc.left);
        EXPECT_EQ(r->top, kMergedoc.top);
        EXPECT_EQ(r->width, c.surfaceWidth);
        EXPECT_EQ(r->height, c.surfaceHeight);
    }
}

}  // namespace
}  // namespace scrivane
