#pragma once

#include <optional>

namespace scrivane {

// Window layout in twips (1/1440 inch), as designed; only the editing surface follows the
// window's size.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline constexpr TwipRect kTxtFind{1080, 120, 1815, 285};
inline constexpr TwipRect kCmdFind{1080, 480, 855, 255};
inline constexpr TwipRect kChkExact{2040, 480, 855, 255};
inline constexpr TwipRect kTxtReplace{3240, 120, 1815, 285};
inline constexpr TwipRect kCmdReplace{3240, 480, 855, 255};
inline constexpr TwipRect kCmdReplaceAll{4080, 480, 975, 255};
inline constexpr TwipRect kTxtGoto{5400, 120, 615, 285};
inline constexpr TwipRect kCmdGoto{5400, 480, 615, 255};
inline constexpr TwipRect kLblMod{6480, 240, 45, 195};
inline constexpr TwipRect kMergedoc{240, 960, 9495, 6495};
inline constexpr int kClientWidth = 12255;
inline constexpr int kClientHeight = 8205;

// The editing surface keeps this margin (twips) to the right and bottom of the client area.
inline constexpr int kMargin = 240;

// Twips to pixels at `dpi` dots per inch, rounded.
int twipsToPixels(int twips, int dpi);

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const PixelRect&) const = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
};

// The search bar's controls, one value of T each.
template <typename T>
struct SearchBarControls {
    T txtFind, cmdFind, chkExact, txtReplace, cmdReplace, cmdReplaceAll, txtGoto, cmdGoto, lblmod;
};

// Where the search bar's controls go, in pixels, for the least size each needs to show its
// text whole. The arrangement is the designed one (three columns: find box over Find and
// "exact", replace box over Replace and Replace All, go-to box over Goto; the label to their
// right), each control at least its designed size; a control that needs more pushes the
// columns to its right further right and the rows below it further down.
struct SearchBarPlaces {
    SearchBarControls<PixelRect> controls;
    int surfaceLeft = 0;
    int surfaceTop = 0;
    // The least client area that still shows every control, the label's widest text and a
    // few lines of the editing surface.
    PixelSize minClient;
};
SearchBarPlaces layOutSearchBar(const SearchBarControls<PixelSize>& needs, int dpi);

// The editing surface's place in a client area of the given size (pixels at `dpi`), from
// (left, top) to kMargin short of the right and bottom edges. Nothing is laid out for a
// client area under 500 by 900 twips, and the surface never gets a negative size.
std::optional<PixelRect> surfaceRect(int clientWidth, int clientHeight, int left, int top, int dpi);

}  // namespace scrivane
