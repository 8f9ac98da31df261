#include "platform/qt/style_table.h"

#include <limits>

namespace scrivane {
namespace {

constexpr int kFirstReserved = 32;
constexpr int kLastReserved = 39;

bool reserved(int style) {
    return style >= kFirstReserved && style <= kLastReserved;
}

long distance(Colour a, Colour b) {
    long total = 0;
    for (int shiftBy = 0; shiftBy < 24; shiftBy += 8) {
        const long d =
            static_cast<long>((a >> shiftBy) & 0xFF) - static_cast<long>((b >> shiftBy) & 0xFF);
        total += d * d;
    }
    return total;
}

}  // namespace

StyleTable::StyleTable() {
    colours_[kPlainStyle] = kPlain;
    colours_[kRedStyle] = kDeletedRed;
    colours_[kBlueStyle] = kInsertedBlue;
    used_ = {kPlainStyle, kRedStyle, kBlueStyle};
}

std::optional<int> StyleTable::findStyle(Colour colour) const {
    const Colour rgb = rgbOf(colour);
    for (int style : used_) {
        if (*colours_[style] == rgb) return style;
    }
    return std::nullopt;
}

int StyleTable::styleFor(Colour colour, bool& added) {
    added = false;
    const Colour rgb = rgbOf(colour);
    if (auto found = findStyle(rgb)) return *found;
    for (int style = 0; style < kStyleCount; ++style) {
        if (reserved(style) || colours_[style]) continue;
        colours_[style] = rgb;
        used_.push_back(style);
        added = true;
        return style;
    }
    int nearest = kPlainStyle;
    long best = std::numeric_limits<long>::max();
    for (int style : used_) {
        const long d = distance(*colours_[style], rgb);
        if (d < best) {
            best = d;
            nearest = style;
        }
    }
    return nearest;
}

Colour StyleTable::colourOf(int style) const {
    if (style < 0 || style >= kStyleCount || !colours_[style]) return kPlain;
    return *colours_[style];
}

}  // namespace scrivane
