#include "platform/pure/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace scrivane {

bool isValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII runs eight bytes at a time.
        std::uint64_t word = 0;
        while (i + 8 <= n && (std::memcpy(&word, p + i, 8), (word & 0x8080808080808080ULL) == 0)) {
            i += 8;
        }
        if (i == n) break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;  // no overlongs
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (n - i < len) return false;
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (std::size_t k = 2; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
        }
        i += len;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

// Bytes of the character a lead byte starts (1 for anything that is not a lead of more).
std::size_t sequenceLength(unsigned char c) {
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

}  // namespace

void Utf8Stream::add(std::string_view bytes) {
    if (!valid_) return;
    if (!carry_.empty()) {
        const std::size_t need =
            sequenceLength(static_cast<unsigned char>(carry_[0])) - carry_.size();
        const std::size_t taken = std::min(need, bytes.size());
        carry_.append(bytes.substr(0, taken));
        bytes.remove_prefix(taken);
        if (taken < need) return;
        valid_ = isValidUtf8(carry_);
        carry_.clear();
        if (!valid_) return;
    }
    // The last character, if the piece cuts it, waits for the next piece.
    std::size_t cut = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80) continue;
        if (sequenceLength(c) > back) cut = bytes.size() - back;
        break;
    }
    valid_ = isValidUtf8(bytes.substr(0, cut));
    if (valid_) carry_.assign(bytes.substr(cut));
}

}  // namespace scrivane
