#include "navigate/text_search.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/pure/encoding.h"
#include "platform/pure/line_ends.h"

namespace scrivane {
namespace {

// Bytes that do not form a valid UTF-8 sequence read as one character each, outside the
// range of code points, so that they only ever match themselves.
constexpr char32_t kStrayByte = 0x110000;

// The character at `i` (i < text.size()) and its length in bytes.
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) return {b0, 1};
    std::size_t length = 0;
    char32_t c = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        c = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        c = b0 & 0x07;
    } else {
        return {kStrayByte + b0, 1};
    }
    if (text.size() - i < length) return {kStrayByte + b0, 1};
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return {kStrayByte + b0, 1};
        c = (c << 6) | (b & 0x3F);
    }
    return {c, length};
}

// Folded Latin-1 characters, by byte.
const std::array<char32_t, 256>& latin1Folds() {
    static const std::array<char32_t, 256> table = [] {
        std::array<char32_t, 256> t{};
        for (char32_t b = 0; b < 256; ++b) t[b] = foldCase(b);
        return t;
    }();
    return table;
}

std::optional<ByteRange> found(std::size_t start, std::size_t length) {
    return ByteRange{start, length};
}

}  // namespace

char32_t foldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    if (c > 0x10FFFF) return c;
    // The dotted capital I and the dotless small i fold to themselves: only Turkish pairs
    // them with 'i' and 'I'.
    if (c == 0x130 || c == 0x131) return c;
    // C.UTF-8 knows every character's case whatever the user's locale; a character's lower
    // case of its upper case puts each set of case variants on one character ('ς', 'σ', 'Σ').
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (unicode == locale_t{}) return c;
    const auto wide = static_cast<wint_t>(c);
    return static_cast<char32_t>(towlower_l(towupper_l(wide, unicode), unicode));
}

std::string toDocumentBytes(std::string_view utf8, Encoding encoding) {
    return toCrLf(utf8ToDocument(utf8, encoding == Encoding::Utf8));
}

std::optional<std::string> searchBytes(std::string_view utf8, Encoding encoding, bool exact) {
    if (encoding == Encoding::Utf8) return toCrLf(utf8);
    std::string latin1;
    latin1.reserve(utf8.size());
    const auto& folds = latin1Folds();
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [c, length] = decodeUtf8(utf8, i);
        i += length;
        if (c <= 0xFF) {
            latin1 += static_cast<char>(c);
            continue;
        }
        if (exact) return std::nullopt;
        const char32_t folded = foldCase(c);
        const auto alike = std::find(folds.begin(), folds.end(), folded);
        if (alike == folds.end()) return std::nullopt;
        latin1 += static_cast<char>(alike - folds.begin());
    }
    return toCrLf(latin1);
}

std::size_t nextCharBorder(std::string_view text, std::size_t pos, Encoding encoding) {
    std::size_t next = pos + 1;
    if (encoding == Encoding::Latin1 || pos >= text.size()) return next;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    return next;
}

TextSearch::TextSearch(std::string_view pattern, Encoding encoding, bool exact)
    : pattern_(pattern), encoding_(encoding), exact_(exact) {
    if (exact_ || pattern_.empty()) return;
    for (std::size_t i = 0; i < pattern_.size();) {
        if (encoding_ == Encoding::Latin1) {
            folded_.push_back(latin1Folds()[static_cast<unsigned char>(pattern_[i])]);
            ++i;
        } else {
            const auto [c, length] = decodeUtf8(pattern_, i);
            folded_.push_back(foldCase(c));
            i += length;
        }
    }
    for (std::size_t b = 0; b < 256; ++b) {
        if (encoding_ == Encoding::Latin1) {
            mayStart_[b] = latin1Folds()[b] == folded_.front();
        } else if (b < 0x80) {
            mayStart_[b] = foldCase(static_cast<char32_t>(b)) == folded_.front();
        } else {
            // Any multi-byte character may fold to the first one (the Kelvin sign to 'k');
            // bytes inside a sequence never begin a match.
            mayStart_[b] = b >= 0xC0;
        }
    }
    startsHigh_ =
        std::all_of(mayStart_.begin() + 0xC0, mayStart_.end(), [](bool may) { return may; });
    std::vector<unsigned char> starts;
    for (std::size_t b = 0; b < (startsHigh_ ? 0xC0 : 0x100); ++b) {
        if (mayStart_[b]) starts.push_back(static_cast<unsigned char>(b));
    }
    blockScan_ = starts.size() <= 2 && (startsHigh_ || !starts.empty());
    if (blockScan_ && !starts.empty()) {
        startA_ = starts.front();
        startB_ = starts.back();
    } else {
        startA_ = startB_ = 0xC0;  // stands for nothing more than startsHigh_ does
    }
}

std::size_t TextSearch::longestMatch() const {
    if (exact_ || encoding_ == Encoding::Latin1) return exact_ ? pattern_.size() : folded_.size();
    return 4 * folded_.size();  // no character takes more than four bytes
}

bool TextSearch::blockMayHoldStart(const char* block) const {
    // As one of the compiler's vectors (SSE2 or NEON).
    using Bytes = unsigned char __attribute__((vector_size(kScanBlock)));
    using Words = std::uint64_t __attribute__((vector_size(kScanBlock)));
    Bytes bytes;
    std::memcpy(&bytes, block, sizeof bytes);
    Bytes hits = (bytes == startA_) | (bytes == startB_);
    if (startsHigh_) hits |= bytes >= 0xC0;
    Words words;
    std::memcpy(&words, &hits, sizeof words);
    return (words[0] | words[1]) != 0;
}

std::size_t TextSearch::nextStart(std::string_view text, std::size_t at, std::size_t end) const {
    while (at < end) {
        if (blockScan_) {
            while (end - at >= kScanBlock && !blockMayHoldStart(text.data() + at)) at += kScanBlock;
        }
        const std::size_t stop = blockScan_ ? std::min(end, at + kScanBlock) : end;
        for (; at < stop; ++at) {
            if (mayStart_[static_cast<unsigned char>(text[at])]) return at;
        }
    }
    return end;
}

std::size_t TextSearch::startBefore(std::string_view text, std::size_t low, std::size_t end) const {
    while (end > low) {
        if (blockScan_) {
            while (end - low >= kScanBlock && !blockMayHoldStart(text.data() + end - kScanBlock))
                end -= kScanBlock;
        }
        const std::size_t stop = blockScan_ && end - low >= kScanBlock ? end - kScanBlock : low;
        for (; end > stop; --end) {
            if (mayStart_[static_cast<unsigned char>(text[end - 1])]) return end;
        }
    }
    return low;
}

std::size_t TextSearch::matchAt(std::string_view text, std::size_t at) const {
    if (exact_) {
        return text.size() - at >= pattern_.size() &&
                       std::memcmp(text.data() + at, pattern_.data(), pattern_.size()) == 0
                   ? pattern_.size()
                   : 0;
    }
    std::size_t j = at;
    if (encoding_ == Encoding::Latin1) {
        if (text.size() - at < folded_.size()) return 0;
        const auto& folds = latin1Folds();
        for (const char32_t want : folded_) {
            if (folds[static_cast<unsigned char>(text[j++])] != want) return 0;
        }
        return j - at;
    }
    for (const char32_t want : folded_) {
        if (j >= text.size()) return 0;
        const auto [c, length] = decodeUtf8(text, j);
        if (foldCase(c) != want) return 0;
        j += length;
    }
    return j - at;
}

bool TextSearch::matches(std::string_view text, const ByteRange& range) const {
    if (pattern_.empty() || range.length == 0 || range.start > text.size() ||
        range.length > text.size() - range.start)
        return false;
    return matchAt(text.substr(0, range.start + range.length), range.start) == range.length;
}

std::optional<ByteRange> TextSearch::forward(std::string_view text, std::size_t from,
                                             std::size_t before) const {
    before = std::min(before, text.size());
    if (pattern_.empty() || from >= before) return std::nullopt;
    if (exact_) {
        const std::string_view hay =
            text.substr(0, std::min(text.size(), before + pattern_.size() - 1));
        const std::size_t at = hay.find(pattern_, from);
        if (at == std::string_view::npos) return std::nullopt;
        return found(at, pattern_.size());
    }
    for (std::size_t i = nextStart(text, from, before); i < before;
         i = nextStart(text, i + 1, before)) {
        if (const std::size_t length = matchAt(text, i)) return found(i, length);
    }
    return std::nullopt;
}

std::optional<ByteRange> TextSearch::backward(std::string_view text, std::size_t end,
                                              std::size_t notBefore) const {
    if (pattern_.empty()) return std::nullopt;
    const std::string_view hay = text.substr(0, std::min(end, text.size()));
    if (exact_) {
        if (hay.size() < pattern_.size()) return std::nullopt;
        // Candidates by their first byte, from the last possible start down.
        std::size_t limit = hay.size() - pattern_.size() + 1;  // starts lie in [0, limit)
        while (limit > notBefore) {
            const void* hit = memrchr(hay.data() + notBefore, pattern_.front(), limit - notBefore);
            if (hit == nullptr) return std::nullopt;
            const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data());
            if (matchAt(hay, at)) return found(at, pattern_.size());
            limit = at;
        }
        return std::nullopt;
    }
    for (std::size_t after = startBefore(hay, notBefore, hay.size()); after > notBefore;
         after = startBefore(hay, notBefore, after - 1)) {
        if (const std::size_t length = matchAt(hay, after - 1)) return found(after - 1, length);
    }
    return std::nullopt;
}

std::vector<ByteRange> findAllExact(std::string_view text, std::string_view pattern) {
    std::vector<ByteRange> all;
    if (pattern.empty()) return all;
    for (std::size_t at = text.find(pattern); at != std::string_view::npos;
         at = text.find(pattern, at + pattern.size())) {
        all.push_back(ByteRange{at, pattern.size()});
    }
    return all;
}

}  // namespace scrivane
