#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "app/layout.h"

namespace scrivane {
namespace {

TEST(Layout, SurfaceFollowsTheWindowAndNeverGoesNegative) {
    // At 1440 dpi a pixel is a twip.
    constexpr int kDpi = 1440;
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

std::array<std::pair<const char*, PixelRect>, 9> named(const SearchBarControls<PixelRect>& c) {
    return {{{"txtFind", c.txtFind},
             {"cmdFind", c.cmdFind},
             {"chkExact", c.chkExact},
             {"txtReplace", c.txtReplace},
             {"cmdReplace", c.cmdReplace},
             {"cmdReplaceAll", c.cmdReplaceAll},
             {"txtGoto", c.txtGoto},
             {"cmdGoto", c.cmdGoto},
             {"lblmod", c.lblmod}}};
}

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// Whatever the controls need, at any resolution: each gets at least what it needs and its
// designed size, none overlaps another, the arrangement stays (three columns of a box over
// its buttons, the label to their right) and the surface and the least client area hold it.
TEST(Layout, SearchBarGivesEachControlItsNeedInTheDesignedArrangement) {
    const PixelSize none{};
    const SearchBarControls<PixelSize> nothing{none, none, none, none, none,
                                               none, none, none, none};
    // Typical needs at 96 dpi: captions wider than designed, taller boxes, a two-line label.
    const SearchBarControls<PixelSize> typical{{0, 21},  {39, 19}, {52, 16}, {0, 21}, {62, 19},
                                               {79, 19}, {77, 21}, {38, 19}, {90, 32}};
    // A large font: everything needs far more than designed.
    const SearchBarControls<PixelSize> large{{0, 60},   {120, 50}, {150, 48}, {0, 60},  {190, 50},
                                             {240, 50}, {230, 60}, {110, 50}, {260, 90}};
    for (const int dpi : {96, 120, 192}) {
        for (const auto* needs : {&nothing, &typical, &large}) {
            const SearchBarPlaces p = layOutSearchBar(*needs, dpi);
            const auto places = named(p.controls);
            const auto wants =
                std::array<PixelSize, 9>{needs->txtFind,    needs->cmdFind,    needs->chkExact,
                                         needs->txtReplace, needs->cmdReplace, needs->cmdReplaceAll,
                                         needs->txtGoto,    needs->cmdGoto,    needs->lblmod};
            const TwipRect designed[] = {kTxtFind,    kCmdFind,    kChkExact,
                                         kTxtReplace, kCmdReplace, kCmdReplaceAll,
                                         kTxtGoto,    kCmdGoto,    kLblMod};
            for (std::size_t i = 0; i < places.size(); ++i) {
                const auto& [name, r] = places[i];
                SCOPED_TRACE(std::string(name) + " at " + std::to_string(dpi) + " dpi");
                EXPECT_GE(r.width, wants[i].width);
                EXPECT_GE(r.height, wants[i].height);
                EXPECT_GE(r.width, twipsToPixels(designed[i].width, dpi));
                EXPECT_GE(r.left, twipsToPixels(designed[i].left, dpi));
                EXPECT_LE(r.right(), p.minClient.width);
                EXPECT_LE(r.bottom(), p.surfaceTop);
                for (std::size_t j = i + 1; j < places.size(); ++j) {
                    EXPECT_FALSE(overlap(r, places[j].second)) << "and " << places[j].first;
                }
            }
            const SearchBarControls<PixelRect>& c = p.controls;
            // Columns: each box spans its buttons, buttons sit below the boxes.
            for (const auto& [box, first, last] :
                 {std::tuple{c.txtFind, c.cmdFind, c.chkExact},
                  std::tuple{c.txtReplace, c.cmdReplace, c.cmdReplaceAll},
                  std::tuple{c.txtGoto, c.cmdGoto, c.cmdGoto}}) {
                EXPECT_EQ(first.left, box.left);
                EXPECT_EQ(last.right(), box.right());
                EXPECT_GT(first.top, box.bottom() - 1);
            }
            EXPECT_LT(c.txtFind.right(), c.txtReplace.left);
            EXPECT_LT(c.txtReplace.right(), c.txtGoto.left);
            EXPECT_LT(c.txtGoto.right(), c.lblmod.left);
            EXPECT_EQ(c.txtFind.top, c.txtGoto.top);
            EXPECT_EQ(c.cmdFind.top, c.cmdGoto.top);
            EXPECT_GT(p.minClient.height, p.surfaceTop);
        }
    }
}

// With nothing needed beyond the design, the design stands, except that Replace and Replace
// All no longer overlap.
TEST(Layout, SearchBarKeepsTheDesignWhereItFits) {
    const PixelSize none{};
    const SearchBarPlaces p =
        layOutSearchBar({none, none, none, none, none, none, none, none, none}, 1440);
    const SearchBarControls<PixelRect>& c = p.controls;
    const auto same = [](const PixelRect& r, const TwipRect& t) {
        return r == PixelRect{t.left, t.top, t.width, t.height};
    };
    EXPECT_TRUE(same(c.txtFind, kTxtFind));
    EXPECT_TRUE(same(c.cmdFind, kCmdFind));
    EXPECT_TRUE(same(c.chkExact, kChkExact));
    EXPECT_TRUE(same(c.txtReplace, {kTxtReplace.left, kTxtReplace.top, 1935, 285}));
    EXPECT_TRUE(same(c.cmdReplace, kCmdReplace));
    EXPECT_EQ(c.cmdReplaceAll.left, kCmdReplace.left + kCmdReplace.width + 105);
    EXPECT_EQ(p.surfaceLeft, kMergedoc.left);
    EXPECT_EQ(p.surfaceTop, kMergedoc.top);
}

}  // namespace
}  // namespace scrivane
