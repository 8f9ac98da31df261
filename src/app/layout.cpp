#include "app/layout.h"

#include <algorithm>

namespace scrivane {

std::optional<TwipRect> surfaceRect(int clientWidth, int clientHeight) {
    if (clientWidth < 500 || clientHeight < 900) return std::nullopt;
    TwipRect r = kMergedoc;
    r.width = std::max(0, clientWidth - r.left - kMargin);
    r.height = std::max(0, clientHeight - r.top - kMargin);
    return r;
}

int twipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

}  // namespace scrivane
