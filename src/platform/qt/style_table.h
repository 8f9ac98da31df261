#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// Which editor style number shows which text colour. Style 0 is plain text, 1 red, 2 blue;
// further colours get styles of their own as they first appear. The editor reserves styles
// 32-39 for itself, so those are never handed out.
class StyleTable {
  public:
    static constexpr int kPlainStyle = 0;
    static constexpr int kRedStyle = 1;
    static constexpr int kBlueStyle = 2;
    static constexpr int kStyleCount = 256;

    StyleTable();

    // The style for `colour`; `added` tells whether it was allocated by this call. When every
    // style is taken, the style of the nearest colour already known.
    int styleFor(Colour colour, bool& added);
    // The style already showing `colour`, if any.
    std::optional<int> findStyle(Colour colour) const;
    // Colour of a style; styles never handed out read as plain.
    Colour colourOf(int style) const;
    // Every style in use, in allocation order.
    const std::vector<int>& styles() const { return used_; }

  private:
    std::array<std::optional<Colour>, kStyleCount> colours_{};
    std::vector<int> used_;
};

// Colours carry red in the low byte; anything above the low three bytes is not a colour.
inline Colour rgbOf(Colour c) {
    return c & 0xFFFFFFu;
}

}  // namespace scrivane
