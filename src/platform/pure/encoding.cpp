#include "platform/pure/encoding.h"

#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length a lead byte announces; 1 for ASCII and for bytes that cannot start a sequence.
std::size_t announcedLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

}  // namespace

std::string documentToUtf8(std::string_view bytes, bool utf8Document) {
    if (utf8Document) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string utf8ToDocument(std::string_view text, bool utf8Document) {
    if (utf8Document || !isValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = announcedLength(c);
        if (n == 1) {
            out.push_back(text[i]);
        } else if (n == 2 && c <= 0xC3) {
            const auto c2 = static_cast<unsigned char>(text[i + 1]);
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (c2 & 0x3F)));
        } else {
            out.push_back('?');
        }
        i += n;
    }
    return out;
}

std::size_t utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += charLengthAt(text, i, true)) ++count;
    return count;
}

std::size_t utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (; i < text.size() && count > 0; --count) i += charLengthAt(text, i, true);
    return i;
}

std::size_t charLengthAt(std::string_view text, std::size_t pos, bool utf8Document) {
    if (pos >= text.size()) return 0;
    if (!utf8Document) return 1;
    const std::size_t n = announcedLength(static_cast<unsigned char>(text[pos]));
    if (pos + n > text.size()) return 1;
    for (std::size_t k = 1; k < n; ++k) {
        if (!isContinuation(static_cast<unsigned char>(text[pos + k]))) return 1;
    }
    return n;
}

std::size_t charBoundaryInWindow(std::string_view window, std::size_t at, bool utf8Document) {
    if (at > 0 && at < window.size() && window[at - 1] == '\r' && window[at] == '\n') return at - 1;
    if (!utf8Document) return at;
    for (std::size_t start = at; start-- > 0;) {
        if (isContinuation(static_cast<unsigned char>(window[start]))) continue;
        return start + charLengthAt(window, start, true) > at ? start : at;
    }
    return at;
}

std::size_t charStartBefore(std::string_view text, std::size_t pos, bool utf8Document) {
    if (pos == 0) return 0;
    if (pos > text.size()) pos = text.size();
    if (!utf8Document) return pos - 1;
    for (std::size_t back = 1; back <= 4 && back <= pos; ++back) {
        const std::size_t start = pos - back;
        if (!isContinuation(static_cast<unsigned char>(text[start]))) {
            return charLengthAt(text, start, true) == back ? start : pos - 1;
        }
    }
    return pos - 1;
}

std::string escapeInvalidUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() + 16);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length <= bytes.size() && isValidUtf8(bytes.substr(i, length))) {
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        out += "\\x";
        out += kHex[lead >> 4];
        out += kHex[lead & 0xF];
        ++i;
    }
    return out;
}

}  // namespace scrivane
