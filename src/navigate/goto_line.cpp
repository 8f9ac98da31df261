#include "navigate/goto_line.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace scrivane {
namespace {

constexpr Pos kScanChunk = 1 << 16;

// 0-based index of the CR of the last CR LF pair lying wholly inside [0, end), or -1.
Pos lastCrLfBefore(const RichTextBox& rtb, Pos end) {
    // Scan backwards in chunks; a pair may straddle two chunks, so chunks overlap by one.
    Pos hi = end;
    while (hi >= 2) {
        const Pos lo = hi > kScanChunk ? hi - kScanChunk : 0;
        const std::string_view s = rtb.TextRange(lo, hi - lo);
        for (Pos i = static_cast<Pos>(s.size()) - 2; i >= 0; --i) {
            if (s[static_cast<std::size_t>(i)] == '\r' &&
                s[static_cast<std::size_t>(i) + 1] == '\n') {
                return lo + i;
            }
        }
        if (lo == 0) break;
        hi = lo + 1;
    }
    return -1;
}

// 0-based index of the CR of the first CR LF pair at or after `from`, or -1.
Pos firstCrLfFrom(const RichTextBox& rtb, Pos from, Pos len) {
    Pos lo = from;
    while (lo + 1 < len) {
        const Pos hi = std::min(len, lo + kScanChunk);
        const std::string_view s = rtb.TextRange(lo, hi - lo);
        for (std::size_t i = 0; i + 1 < s.size(); ++i) {
            if (s[i] == '\r' && s[i + 1] == '\n') return lo + static_cast<Pos>(i);
        }
        if (hi == len) break;
        lo = hi - 1;
    }
    return -1;
}

}  // namespace

Pos lineof(const RichTextBox& rtb, Pos pos) {
    return rtb.GetLineFromChar(pos) + 1;
}

void textgotochar(RichTextBox& rtb, Pos start, Pos len) {
    rtb.SelectInContext(start, len < 0 ? -len : len);
    rtb.SetFocus();
}

void gotoline(RichTextBox& rtb, Pos n) {
    const Pos len = rtb.TextLength();
    Pos mid = len / 2;
    Pos lo = 1;
    Pos hi = len;
    do {
        const Pos line = lineof(rtb, mid);
        if (line == n) break;
        if (line < n) {
            lo = mid;
            mid = (lo + hi) / 2;
        } else {
            hi = mid;
            mid = (hi + lo) / 2;
        }
    } while (lo < hi - 1);

    // The line holding `mid` starts after the last CR LF within its first `mid` characters.
    const Pos pair = lastCrLfBefore(rtb, mid);
    const Pos start = pair < 0 ? 0 : pair + 2;
    const Pos next = firstCrLfFrom(rtb, start, len);
    const Pos length = next < 0 ? len - start : next - start;
    textgotochar(rtb, start, length);
}

double readNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string digits;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) digits += text[i++];
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        digits += c;
    }
    if (!seenDigit) return 0;
    return std::strtod(digits.c_str(), nullptr);
}

Pos roundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    constexpr double kLimit = static_cast<double>(std::numeric_limits<Pos>::max() / 2);
    if (value > kLimit) return static_cast<Pos>(kLimit);
    if (value < -kLimit) return static_cast<Pos>(-kLimit);
    return static_cast<Pos>(std::nearbyint(value));  // default rounding mode: half to even
}

std::optional<Pos> gotoTarget(std::string_view boxText) {
    if (boxText.empty()) return std::nullopt;
    const Pos n = roundHalfEven(readNumber(boxText));
    if (n <= 0) return std::nullopt;
    return n;
}

std::string caretLineText(const RichTextBox& rtb) {
    return std::to_string(lineof(rtb, rtb.SelStart()));
}

}  // namespace scrivane
