#include "navigate/char_boundary.h"

#include <gtest/gtest.h>

#include "support/fake_surface.h"

namespace scrivane {
namespace {

TEST(CharBoundary, NeverSplitsABreakOrACharacter) {
    const std::string utf8 = "a\xE2\x82\xAC\r\n\xF0\x9F\x98\x80z";  // a, euro, break, emoji, z
    const std::string latin1 = "a\xE2\x82\r\nz\xE9";
    const struct {
        const std::string& text;
        Pos pos;
        Pos boundary;
    } cases[] = {
        {utf8, 0, 0},
        {utf8, 1, 1},
        {utf8, 2, 1},
        {utf8, 3, 1},
        {utf8, 4, 4},
        {utf8, 5, 4},
        {utf8, 6, 6},
        {utf8, 8, 6},
        {utf8, 9, 6},
        {utf8, 10, 10},
        {utf8, 11, 11},
        {utf8, 99, 11},
        {utf8, -3, 0},
        // One byte is one character in Latin-1; only the break is kept whole.
        {latin1, 2, 2},
        {latin1, 3, 3},
        {latin1, 4, 3},
        {latin1, 7, 7},
    };
    FakeSurface rtb;
    for (const auto& c : cases) {
        rtb.SetText(c.text);
        EXPECT_EQ(charBoundaryAtOrBefore(rtb, c.pos), c.boundary)
            << c.pos << " in " << c.text.size();
    }
}

}  // namespace
}  // namespace scrivane
