#include "app/layout.h"

#include <algorithm>

namespace scrivane {
namespace {

// The editing surface shows at least this much (twips) of text at the least window size.
constexpr int kMinSurfaceHeight = 1440;

// Lays out one column of the bar: a box over a row of buttons side by side. The column is as
// wide as the box or the buttons need, whichever is more; the last button reaches its right
// edge, as designed. Returns the column's right edge.
class ColumnPlacer {
  public:
    ColumnPlacer(int dpi, int boxTop, int boxHeight, int buttonTop, int buttonHeight)
        : dpi_(dpi),
          boxTop_(boxTop),
          boxHeight_(boxHeight),
          buttonTop_(buttonTop),
          buttonHeight_(buttonHeight) {}

    struct Button {
        const TwipRect& designed;
        PixelSize need;
        PixelRect& place;
    };

    int place(int left, const TwipRect& boxDesigned, PixelSize boxNeed, PixelRect& box,
              std::initializer_list<Button> buttons) const {
        const int gap = px(kChkExact.left - kCmdFind.left - kCmdFind.width);
        int right = left;
        PixelRect* last = nullptr;
        for (const Button& b : buttons) {
            const int x = last == nullptr ? left : right + gap;
            b.place = {x, buttonTop_, std::max(px(b.designed.width), b.need.width), buttonHeight_};
            right = b.place.right();
            last = &b.place;
        }
        const int width = std::max({px(boxDesigned.width), boxNeed.width, right - left});
        box = {left, boxTop_, width, boxHeight_};
        if (last != nullptr) last->width = box.right() - last->left;
        return box.right();
    }

  private:
    int px(int twips) const { return twipsToPixels(twips, dpi_); }

    int dpi_;
    int boxTop_, boxHeight_, buttonTop_, buttonHeight_;
};

}  // namespace

int twipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

SearchBarPlaces layOutSearchBar(const SearchBarControls<PixelSize>& needs, int dpi) {
    const auto px = [dpi](int twips) { return twipsToPixels(twips, dpi); };
    const int boxHeight = std::max(
        {px(kTxtFind.height), needs.txtFind.height, needs.txtReplace.height, needs.txtGoto.height});
    const int buttonHeight =
        std::max({px(kCmdFind.height), needs.cmdFind.height, needs.chkExact.height,
                  needs.cmdReplace.height, needs.cmdReplaceAll.height, needs.cmdGoto.height});
    const int boxTop = px(kTxtFind.top);
    const int buttonTop = boxTop + boxHeight + px(kCmdFind.top - kTxtFind.top - kTxtFind.height);
    const int columnGap = px(kTxtReplace.left - kTxtFind.left - kTxtFind.width);
    const ColumnPlacer column(dpi, boxTop, boxHeight, buttonTop, buttonHeight);

    SearchBarPlaces out;
    SearchBarControls<PixelRect>& c = out.controls;
    int right = column.place(
        px(kTxtFind.left), kTxtFind, needs.txtFind, c.txtFind,
        {{kCmdFind, needs.cmdFind, c.cmdFind}, {kChkExact, needs.chkExact, c.chkExact}});
    right = column.place(right + columnGap, kTxtReplace, needs.txtReplace, c.txtReplace,
                         {{kCmdReplace, needs.cmdReplace, c.cmdReplace},
                          {kCmdReplaceAll, needs.cmdReplaceAll, c.cmdReplaceAll}});
    right = column.place(right + columnGap, kTxtGoto, needs.txtGoto, c.txtGoto,
                         {{kCmdGoto, needs.cmdGoto, c.cmdGoto}});
    c.lblmod = {right + px(kLblMod.left - kTxtGoto.left - kTxtGoto.width),
                boxTop + px(kLblMod.top - kTxtFind.top),
                std::max(px(kLblMod.width), needs.lblmod.width),
                std::max(px(kLblMod.height), needs.lblmod.height)};

    const int barBottom = std::max(buttonTop + buttonHeight, c.lblmod.bottom());
    out.surfaceLeft = px(kMergedoc.left);
    out.surfaceTop = barBottom + px(kMergedoc.top - kCmdFind.top - kCmdFind.height);
    out.minClient = {c.lblmod.right() + px(kMargin),
                     out.surfaceTop + px(kMinSurfaceHeight) + px(kMargin)};
    return out;
}

std::optional<PixelRect> surfaceRect(int clientWidth, int clientHeight, int left, int top,
                                     int dpi) {
    if (clientWidth * 1440 < 500 * dpi || clientHeight * 1440 < 900 * dpi) return std::nullopt;
    const int margin = twipsToPixels(kMargin, dpi);
    return PixelRect{left, top, std::max(0, clientWidth - left - margin),
                     std::max(0, clientHeight - top - margin)};
}

}  // namespace scrivane
