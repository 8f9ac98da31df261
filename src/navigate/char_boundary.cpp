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
    if (at > 0 && at < window.size() && window[at - 1] == '\r' && window[at] == '\n') {
        return pos - 1;
    }
    if (!rtb.IsUtf8()) return pos;
    for (std::size_t start = at; start-- > 0;) {
        if ((static_cast<unsigned char>(window[start]) & 0xC0) == 0x80) continue;
        const std::size_t length = charLengthAt(window, start, true);
        return start + length > at ? from + static_cast<Pos>(start) : pos;
    }
    return pos;
}

Pos charEndAt(const RichTextBox& rtb, Pos pos) {
    pos = std::clamp<Pos>(pos, 0, rtb.TextLength());
    const std::string_view window = rtb.TextRange(pos, 4);
    if (window.empty()) return pos;
    if (window.substr(0, 2) == "\r\n") return pos + 2;
    return pos + static_cast<Pos>(charLengthAt(window, 0, rtb.IsUtf8()));
}

}  // namespace scrivane
