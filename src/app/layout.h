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

// The editing surface's place for a client area of the given size (twips): it keeps its
// left and top and a margin of kMargin to the right and bottom. Nothing is laid out for a
// tiny window, and the surface never gets a negative size.
inline constexpr int kMargin = 240;
std::optional<TwipRect> surfaceRect(int clientWidth, int clientHeight);

// Twips to pixels at `dpi` dots per inch, rounded.
int twipsToPixels(int twips, int dpi);

}  // namespace scrivane
