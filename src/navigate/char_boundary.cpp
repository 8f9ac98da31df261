#include "navigate/char_boundary.h"

#include <algorithm>

#include "platform/pure/encoding.h"

namespace scrivane {

Pos charBoundaryAtOrBefore(const RichTextBox& rtb, Pos pos) {
    pos = std::clamp<Pos>(pos, 0, rtb.TextLength());
    // A character is at most four bytes long: the window holds any that `pos` may be inside.
    const Pos from = std::max<Pos>(0, pos - 3);
    const std::string_view window = rtb.TextRange(from, pos - from + 4);
    const auto at = static_cast<std::size_t>(pos - from);
    return from + static_cast<Pos>(charBoundaryInWindow(window, at, rtb.IsUtf8()));
}

Pos charEndAt(const RichTextBox& rtb, Pos pos) {
    pos = std::clamp<Pos>(pos, 0, rtb.TextLength());
    const std::string_view window = rtb.TextRange(pos, 4);
    if (window.empty()) return pos;
    if (window.substr(0, 2) == "\r\n") return pos + 2;
    return pos + static_cast<Pos>(charLengthAt(window, 0, rtb.IsUtf8()));
}

}  // namespace scrivane
