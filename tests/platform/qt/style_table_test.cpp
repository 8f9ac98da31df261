#include <gtest/gtest.h>

#include "platform/qt/style_table.h"

namespace scrivane {
namespace {

TEST(StyleTable, FixedColoursThenNewOnesAvoidingReservedStyles) {
    StyleTable table;
    bool added = true;
    EXPECT_EQ(table.styleFor(kPlain, added), 0);
    EXPECT_FALSE(added);
    EXPECT_EQ(table.styleFor(kDeletedRed, added), 1);
    EXPECT_EQ(table.styleFor(kInsertedBlue | 0xAB000000u, added), 2);
    EXPECT_FALSE(added);

    std::vector<int> handedOut;
    for (Colour c = 1; c <= 400; ++c) {
        const int style = table.styleFor(c * 0x010101u, added);
        if (added) handedOut.push_back(style);
        EXPECT_EQ(table.styleFor(c * 0x010101u, added), style);  // asked again: same style
        EXPECT_FALSE(added);
    }
    EXPECT_EQ(handedOut.size(), 256u - 3u - 8u);
    for (int style : handedOut) {
        EXPECT_TRUE(style < 32 || style > 39) << style;
        EXPECT_LT(style, 256);
    }
    // Full: the nearest colour already known.
    const int nearest = table.styleFor(0x0000FE, added);
    EXPECT_FALSE(added);
    EXPECT_EQ(nearest, 1);
    EXPECT_EQ(table.colourOf(nearest), kDeletedRed);
    EXPECT_EQ(table.colourOf(255), 245u * 0x010101u);
    EXPECT_EQ(table.colourOf(-1), kPlain);
}

}  // namespace
}  // namespace scrivane
