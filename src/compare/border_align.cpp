#include "compare/border_align.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "compare/compare_engine.h"
#include "platform/pure/utf8.h"

namespace scrivane {

namespace {

// What counts as one character: a CR LF pair always, a UTF-8 sequence in UTF-8 text.
class Characters {
  public:
    explicit Characters(bool utf8) : utf8_(utf8) {}

    // Byte i (inside s) does not start a character.
    bool isContinuation(std::string_view s, std::int64_t i) const {
        const auto at = static_cast<std::size_t>(i);
        if (s[at] == '\n' && at > 0 && s[at - 1] == '\r') return true;
        return utf8_ && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80;
    }
    bool startsChar(std::string_view s, std::int64_t i) const {
        return static_cast<std::size_t>(i) >= s.size() || !isContinuation(s, i);
    }

  private:
    bool utf8_;
};

struct Pair {
    BlockIndex k;       // new-text block
    BlockIndex o;       // its matched old-text block
    std::size_t newAt;  // place in the new chain
    std::size_t oldAt;  // place in the old chain
};

struct Stretch {
    std::size_t firstPair;
    std::size_t endPair;  // one past the last
    std::int64_t a;       // new start (0-based)
    std::int64_t c;       // old start
    std::int64_t length;
    std::int64_t head = 0;  // kept part [head, end) of the stretch
    std::int64_t end = 0;
    bool survives() const { return end > head; }
};

class Aligner {
  public:
    Aligner(std::vector<Block>& blocks, std::string_view docnew, std::string_view docold)
        : b_(blocks), docnew_(docnew), docold_(docold), chars_(isValidUtf8(docnew)) {}

    bool run() {
        newChain_ = chainOf(b_, 1);
        oldChain_ = chainOf(b_, 2);
        if (!covers(newChain_, docnew_) || !covers(oldChain_, docold_)) return false;
        oldPlace_.assign(b_.size(), -1);
        for (std::size_t i = 0; i < oldChain_.size(); ++i) {
            oldPlace_[oldChain_[i]] = static_cast<std::int64_t>(i);
        }
        if (!findPairs()) return false;
        groupStretches();
        for (Stretch& s : stretches_) shrink(s);
        if (!planRegions()) return false;
        for (const Stretch& s : stretches_) applyStretch(s);
        for (const Region& r : regions_) {
            if (r.collapse) collapse(r);
        }
        return true;
    }

  private:
    struct Region {
        std::optional<std::size_t> before;  // surviving stretch before it
        std::optional<std::size_t> after;   // surviving stretch after it
        std::int64_t x, y, xo, yo;
        std::size_t newFrom, newTo;  // new-chain places [newFrom, newTo)
        std::size_t oldFrom, oldTo;
        bool collapse = false;
    };

    bool valid(BlockIndex i) const { return i > 0 && i < static_cast<BlockIndex>(b_.size()); }

    bool shownDeleted(BlockIndex k) const {
        const BlockIndex j = b_[k].iother;
        return valid(j) && b_[j].nbytes > 0 && b_[j].istrike;
    }

    bool covers(const std::vector<BlockIndex>& chain, std::string_view text) const {
        std::int64_t pos = 0;
        for (BlockIndex i : chain) {
            if (b_[i].nbytes < 0 || b_[i].ioffset != 0) return false;
            if (b_[i].nbytes == 0) continue;
            if (b_[i].pt0 - 1 != pos) return false;
            pos += b_[i].nbytes;
        }
        return pos == static_cast<std::int64_t>(text.size());
    }

    // The old partner of an unchanged block: its iother, or, where the old text after the
    // last match was attached to that block, the match just before that deleted piece.
    std::optional<BlockIndex> partnerOf(BlockIndex k) const {
        const std::int64_t n = b_[k].nbytes;
        auto fits = [&](BlockIndex o) {
            return valid(o) && b_[o].iwhich == kOldText && b_[o].isfound && b_[o].nbytes == n &&
                   oldPlace_[o] >= 0 &&
                   docnew_.substr(b_[k].pt0 - 1, n) == docold_.substr(b_[o].pt0 - 1, n);
        };
        const BlockIndex o = b_[k].iother;
        if (fits(o)) return o;
        if (valid(o) && b_[o].istrike && fits(b_[o].iprev) && b_[b_[o].iprev].iother == k) {
            return b_[o].iprev;
        }
        return std::nullopt;
    }

    bool findPairs() {
        pairAtOld_.assign(oldChain_.size(), false);
        for (std::size_t i = 0; i < newChain_.size(); ++i) {
            const BlockIndex k = newChain_[i];
            if (b_[k].nbytes <= 0 || b_[k].isnew) continue;
            const std::optional<BlockIndex> o = partnerOf(k);
            if (!o) return false;
            const auto oldAt = static_cast<std::size_t>(oldPlace_[*o]);
            if (!pairs_.empty() && oldAt <= pairs_.back().oldAt) return false;
            pairs_.push_back({k, *o, i, oldAt});
            pairAtOld_[oldAt] = true;
        }
        return true;
    }

    // Pairs that follow each other in both chains with nothing shown between them.
    bool adjacent(const Pair& p, const Pair& q) const {
        if (shownDeleted(p.k)) return false;
        for (std::size_t i = p.newAt + 1; i < q.newAt; ++i) {
            if (b_[newChain_[i]].nbytes > 0 || shownDeleted(newChain_[i])) return false;
        }
        for (std::size_t i = p.oldAt + 1; i < q.oldAt; ++i) {
            if (b_[oldChain_[i]].nbytes > 0) return false;
        }
        return true;
    }

    void groupStretches() {
        for (std::size_t i = 0; i < pairs_.size();) {
            std::size_t j = i + 1;
            while (j < pairs_.size() && adjacent(pairs_[j - 1], pairs_[j])) ++j;
            Stretch s{i, j, b_[pairs_[i].k].pt0 - 1, b_[pairs_[i].o].pt0 - 1, 0};
            for (std::size_t p = i; p < j; ++p) s.length += b_[pairs_[p].k].nbytes;
            stretches_.push_back(s);
            i = j;
        }
    }

    void shrink(Stretch& s) const {
        std::int64_t h = 0;
        while (h < s.length && chars_.isContinuation(docnew_, s.a + h)) ++h;
        std::int64_t e = s.length;
        while (e > h && !(e == s.length ? chars_.startsChar(docnew_, s.a + e) &&
                                              chars_.startsChar(docold_, s.c + e)
                                        : !chars_.isContinuation(docnew_, s.a + e))) {
            --e;
        }
        s.head = h;
        s.end = e;
    }

    bool planRegions() {
        std::optional<std::size_t> before;
        for (std::size_t si = 0; si <= stretches_.size(); ++si) {
            if (si < stretches_.size() && !stretches_[si].survives()) continue;
            Region r;
            r.before = before;
            r.after = si < stretches_.size() ? std::optional<std::size_t>(si) : std::nullopt;
            if (before) {
                const Stretch& s = stretches_[*before];
                const Pair& last = pairs_[s.endPair - 1];
                r.x = s.a + s.end;
                r.xo = s.c + s.end;
                r.newFrom = last.newAt + 1;
                r.oldFrom = last.oldAt + 1;
            } else {
                r.x = r.xo = 0;
                r.newFrom = r.oldFrom = 0;
            }
            if (r.after) {
                const Stretch& s = stretches_[*r.after];
                const Pair& first = pairs_[s.firstPair];
                r.y = s.a + s.head;
                r.yo = s.c + s.head;
                r.newTo = first.newAt;
                r.oldTo = first.oldAt;
            } else {
                r.y = static_cast<std::int64_t>(docnew_.size());
                r.yo = static_cast<std::int64_t>(docold_.size());
                r.newTo = newChain_.size();
                r.oldTo = oldChain_.size();
            }
            r.collapse = needsCollapse(r);
            if (r.collapse && !canCollapse(r)) return false;
            regions_.push_back(r);
            before = r.after;
        }
        return true;
    }

    bool needsCollapse(const Region& r) const {
        if (r.before && stretches_[*r.before].end < stretches_[*r.before].length) return true;
        if (r.after && stretches_[*r.after].head > 0) return true;
        for (std::size_t i = r.newFrom; i < r.newTo; ++i) {
            const Block& k = b_[newChain_[i]];
            if (k.nbytes > 0 && !k.isnew) return true;  // a dissolved stretch
            if (k.nbytes > 0 && !chars_.startsChar(docnew_, k.pt0 - 1)) return true;
            if (shownDeleted(newChain_[i]) && !chars_.startsChar(docnew_, k.pt0 - 1 + k.nbytes))
                return true;
        }
        return false;
    }

    bool canCollapse(const Region& r) const {
        // A pair inside a region belongs to a dissolved stretch.
        for (std::size_t i = r.oldFrom; i < r.oldTo; ++i) {
            const Block& o = b_[oldChain_[i]];
            if (o.nbytes > 0 && !o.istrike && !pairAtOld_[i]) return false;
        }
        // The region reuses its own blocks; only a side with none needs a block added, and
        // that needs a place after an existing block.
        const bool needNew = r.newFrom == r.newTo;
        const bool needOld = r.yo > r.xo && r.oldFrom == r.oldTo;
        if (needNew && r.newFrom == 0) return false;
        if (needOld && r.oldFrom == 0) return false;
        return true;
    }

    // Sets the kept bytes of every pair of the stretch; borders between its pairs move forward
    // to the next character start.
    void applyStretch(const Stretch& s) {
        auto nextStart = [&](std::int64_t p) {
            while (p < s.length && chars_.isContinuation(docnew_, s.a + p)) ++p;
            return p;
        };
        std::int64_t cut = s.head;
        std::int64_t joint = 0;
        for (std::size_t p = s.firstPair; p < s.endPair; ++p) {
            const Pair& pair = pairs_[p];
            joint += b_[pair.k].nbytes;
            const std::int64_t next =
                p + 1 == s.endPair ? s.end : std::clamp(nextStart(joint), cut, s.end);
            const std::int64_t from = std::min(cut, s.end);
            for (BlockIndex i : {pair.k, pair.o}) {
                b_[i].pt0 = (i == pair.k ? s.a : s.c) + from + 1;
                b_[i].nbytes = std::max<std::int64_t>(next - from, 0);
            }
            cut = std::max(cut, next);
        }
    }

    BlockIndex addAfter(BlockIndex after, Block block) {
        const auto i = static_cast<BlockIndex>(b_.size());
        block.iprev = after;
        block.inext = b_[after].inext;
        b_.push_back(block);
        if (valid(b_[i].inext)) b_[b_[i].inext].iprev = i;
        b_[after].inext = i;
        return i;
    }

    void collapse(const Region& r) {
        BlockIndex inserted = 0;
        for (std::size_t i = r.newFrom; i < r.newTo && inserted == 0; ++i) {
            if (b_[newChain_[i]].isnew) inserted = newChain_[i];
        }
        if (inserted == 0 && r.newFrom < r.newTo) inserted = newChain_[r.newFrom];
        if (inserted == 0) {
            inserted = addAfter(newChain_[r.newFrom - 1], {.iwhich = kNewText});
        }
        BlockIndex deleted = 0;
        if (r.yo > r.xo) {
            for (std::size_t i = r.oldFrom; i < r.oldTo && deleted == 0; ++i) {
                if (b_[oldChain_[i]].istrike) deleted = oldChain_[i];
            }
            if (deleted == 0 && r.oldFrom < r.oldTo) deleted = oldChain_[r.oldFrom];
            if (deleted == 0) deleted = addAfter(oldChain_[r.oldFrom - 1], {.iwhich = kOldText});
        }
        for (std::size_t i = r.newFrom; i < r.newTo; ++i) {
            Block& k = b_[newChain_[i]];
            k.nbytes = 0;
            k.pt0 = r.y + 1;
            k.iother = 0;
        }
        for (std::size_t i = r.oldFrom; i < r.oldTo; ++i) {
            Block& o = b_[oldChain_[i]];
            o.nbytes = 0;
            o.pt0 = r.yo + 1;
        }
        Block& in = b_[inserted];
        in.pt0 = r.x + 1;
        in.nbytes = r.y - r.x;
        in.isnew = true;
        in.istrike = false;
        in.isfound = false;
        in.iother = deleted;
        if (deleted != 0) {
            Block& del = b_[deleted];
            del.pt0 = r.xo + 1;
            del.nbytes = r.yo - r.xo;
            del.isnew = false;
            del.istrike = true;
            del.isfound = false;
            del.iother = inserted;
        }
        // What the stretch before showed after itself now belongs to this region.
        if (r.before) {
            const Pair& last = pairs_[stretches_[*r.before].endPair - 1];
            b_[last.k].iother = last.o;
        }
    }

    std::vector<Block>& b_;
    std::string_view docnew_;
    std::string_view docold_;
    std::vector<BlockIndex> newChain_;
    std::vector<BlockIndex> oldChain_;
    std::vector<std::int64_t> oldPlace_;
    std::vector<Pair> pairs_;
    std::vector<bool> pairAtOld_;  // per old-chain place: a pair's old block is there
    std::vector<Stretch> stretches_;
    std::vector<Region> regions_;
    Characters chars_;
};

}  // namespace

bool alignborders(std::vector<Block>& blocks, std::string_view docnew, std::string_view docold) {
    if (blocks.size() < 3) return true;  // equal texts: one unchanged block, nothing to move
    return Aligner(blocks, docnew, docold).run();
}

}  // namespace scrivane
