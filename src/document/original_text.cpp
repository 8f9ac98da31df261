#include "document/original_text.h"

#include <algorithm>
#include <iterator>

namespace scrivane {

void OriginalText::edited(const TextBuffer& live, Pos pos, Pos removed, Pos inserted) {
    const Pos end = pos + removed;
    // The changes the edit overlaps or touches merge with it into one.
    auto first = std::lower_bound(changes_.begin(), changes_.end(), pos,
                                  [](const Change& c, Pos p) { return c.at + c.length < p; });
    auto last = first;
    while (last != changes_.end() && last->at <= end) ++last;
    Pos from = pos;
    Pos to = end;
    if (first != last) {
        from = std::min(pos, first->at);
        to = std::max(end, std::prev(last)->at + std::prev(last)->length);
    }
    // Between the changes merged, the live bytes are still the original's: all of them lie
    // in what the edit removes, read before it is gone.
    Change merged{from, to - from - removed + inserted, {}};
    const TextParts parts = live.Parts();
    std::vector<std::string_view> views;
    Pos at = from;
    for (auto c = first; c != last; ++c) {
        parts.slice(at, c->at, views);
        views.push_back(c->original);
        at = c->at + c->length;
    }
    parts.slice(at, to, views);
    merged.original = joinedPieces(views);

    const Pos shift = inserted - removed;
    auto next = changes_.erase(first, last);
    // An insertion taken back leaves nothing to keep.
    if (merged.length > 0 || !merged.original.empty())
        next = std::next(changes_.insert(next, std::move(merged)));
    for (; next != changes_.end(); ++next) next->at += shift;
}

std::vector<std::string_view> OriginalText::pieces(const TextParts& live) const {
    std::vector<std::string_view> out;
    Pos at = 0;
    for (const Change& c : changes_) {
        live.slice(at, c.at, out);
        if (!c.original.empty()) out.push_back(c.original);
        at = c.at + c.length;
    }
    live.slice(at, live.size(), out);
    return out;
}

Pos OriginalText::size(Pos liveLength) const {
    for (const Change& c : changes_) liveLength += static_cast<Pos>(c.original.size()) - c.length;
    return liveLength;
}

std::string joinedPieces(const std::vector<std::string_view>& pieces) {
    std::size_t size = 0;
    for (const std::string_view piece : pieces) size += piece.size();
    std::string text;
    text.reserve(size);
    for (const std::string_view piece : pieces) text += piece;
    return text;
}

bool samePieces(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
    std::size_t ia = 0;
    std::size_t ib = 0;
    std::string_view pa;
    std::string_view pb;
    for (;;) {
        while (pa.empty() && ia < a.size()) pa = a[ia++];
        while (pb.empty() && ib < b.size()) pb = b[ib++];
        if (pa.empty() || pb.empty()) return pa.empty() && pb.empty();
        const std::size_t n = std::min(pa.size(), pb.size());
        if (pa.data() != pb.data() && pa.substr(0, n) != pb.substr(0, n)) return false;
        pa.remove_prefix(n);
        pb.remove_prefix(n);
    }
}

}  // namespace scrivane
