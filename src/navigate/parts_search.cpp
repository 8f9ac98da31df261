#include "navigate/parts_search.h"

#include <algorithm>
#include <string>
#include <vector>

#include "document/original_text.h"

namespace scrivane {
namespace {

std::string copied(const TextParts& text, std::size_t from, std::size_t to) {
    std::vector<std::string_view> views;
    text.slice(static_cast<Pos>(from), static_cast<Pos>(to), views);
    return joinedPieces(views);
}

std::optional<ByteRange> shifted(std::optional<ByteRange> match, std::size_t by) {
    if (match) match->start += by;
    return match;
}

// Where the text is cut in two, and the first place whose match could reach across: a match
// takes at most longestMatch() bytes.
struct Seam {
    std::size_t split;
    std::size_t reach;

    Seam(const TextSearch& search, const TextParts& text)
        : split(text.first.size()), reach(search.longestMatch() - 1) {}
    std::size_t firstCrossing() const { return split > reach ? split - reach : 0; }
};

}  // namespace

std::optional<ByteRange> searchForward(const TextSearch& search, const TextParts& text,
                                       std::size_t from, std::size_t before) {
    if (search.empty()) return std::nullopt;
    const Seam seam(search, text);
    before = std::min(before, static_cast<std::size_t>(text.size()));
    if (from >= before) return std::nullopt;
    const std::size_t crossing = seam.firstCrossing();
    // Starts whose matches end in the first run, then those whose matches may cross into the
    // second, then the second run: in that order, the first match found is the first one.
    if (from < crossing) {
        if (auto match = search.forward(text.first, from, std::min(before, crossing))) return match;
    }
    const std::size_t seamFrom = std::max(from, crossing);
    const std::size_t seamBefore = std::min(before, seam.split);
    if (seamFrom < seamBefore) {
        const std::string across = copied(text, crossing, seam.split + seam.reach);
        if (auto match = search.forward(across, seamFrom - crossing, seamBefore - crossing))
            return shifted(match, crossing);
    }
    if (before <= seam.split) return std::nullopt;
    return shifted(
        search.forward(text.second, std::max(from, seam.split) - seam.split, before - seam.split),
        seam.split);
}

std::optional<ByteRange> searchBackward(const TextSearch& search, const TextParts& text,
                                        std::size_t end, std::size_t notBefore) {
    if (search.empty()) return std::nullopt;
    const Seam seam(search, text);
    end = std::min(end, static_cast<std::size_t>(text.size()));
    if (end <= seam.split) return search.backward(text.first, end, notBefore);
    // Matches wholly in the second run start last, then those across the seam, then the rest.
    if (auto match = search.backward(text.second, end - seam.split,
                                     notBefore > seam.split ? notBefore - seam.split : 0))
        return shifted(match, seam.split);
    if (notBefore >= seam.split) return std::nullopt;
    const std::size_t crossing = seam.firstCrossing();
    const std::size_t acrossEnd = std::min(end, seam.split + seam.reach);
    const std::string across = copied(text, crossing, acrossEnd);
    if (auto match =
            search.backward(across, acrossEnd - crossing, std::max(notBefore, crossing) - crossing))
        return shifted(match, crossing);
    return search.backward(text.first, seam.split, notBefore);
}

bool searchMatches(const TextSearch& search, const TextParts& text, const ByteRange& range) {
    // Anything longer is no match, whatever it holds: not worth copying a large selection.
    if (search.empty() || range.length > search.longestMatch()) return false;
    const std::string bytes = copied(text, range.start, range.start + range.length);
    return search.matches(bytes, ByteRange{0, range.length});
}

std::size_t nextCharBorder(const TextParts& text, std::size_t pos, Encoding encoding) {
    const auto size = static_cast<std::size_t>(text.size());
    std::size_t next = pos + 1;
    if (encoding == Encoding::Latin1 || pos >= size) return next;
    const auto byteAt = [&](std::size_t i) {
        return static_cast<unsigned char>(
            i < text.first.size() ? text.first[i] : text.second[i - text.first.size()]);
    };
    while (next < size && (byteAt(next) & 0xC0) == 0x80) ++next;
    return next;
}

}  // namespace scrivane
