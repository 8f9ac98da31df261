#include "compare/compare_engine.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

#include "compare/border_align.h"
#include "compare/chunk_finder.h"
#include "platform/pure/utf8.h"

namespace scrivane {

namespace {

struct Pass {
    std::int64_t threshold;
    std::int64_t minlen;
};
constexpr std::array<Pass, 3> kPasses{{{1000, 1000}, {100, 100}, {10, 10}}};
constexpr std::int64_t kCoarseLimit = 30000;
constexpr std::int64_t kCoarseChunk = 10000;
// The share of the whole each pass takes (the coarse one first), as two long unrelated texts
// take it: finer chunks are many more to index.
constexpr std::array<double, kPasses.size() + 1> kPassShare{0.05, 0.05, 0.2, 0.7};
// Within one refinement, indexing the old piece against the new one's chunks takes most of the
// time, matching the chunks the rest.
constexpr double kIndexShare = 0.8;

}  // namespace

std::vector<BlockIndex> chainOf(const std::vector<Block>& blocks, BlockIndex head) {
    std::vector<BlockIndex> chain;
    const auto size = static_cast<BlockIndex>(blocks.size());
    for (BlockIndex i = head; i > 0 && i < size && chain.size() < blocks.size();
         i = blocks[i].inext) {
        chain.push_back(i);
    }
    return chain;
}

std::string_view blocktextOf(const std::vector<Block>& blocks, std::string_view text,
                             BlockIndex i) {
    if (i <= 0 || i >= static_cast<BlockIndex>(blocks.size())) return {};
    const Block& b = blocks[i];
    const std::int64_t start = b.ioffset + b.pt0 - 1;
    const auto size = static_cast<std::int64_t>(text.size());
    if (b.nbytes <= 0 || start < 0 || start >= size) return {};
    return text.substr(static_cast<std::size_t>(start),
                       static_cast<std::size_t>(std::min(b.nbytes, size - start)));
}

std::string differencesText(std::int64_t count) {
    std::string text = count == 0 ? "No" : std::to_string(count);
    text += " difference";
    text += count == 1 ? " was found." : "s were found.";
    return text;
}

RunRange::iterator::iterator(const RunRange& range)
    : blocks_(range.blocks_), docnew_(range.docnew_), docold_(range.docold_), block_(1) {
    if (blocks_->size() <= 1) {
        block_ = 0;
        return;
    }
    steps_ = 1;
    skipEmpty();
}

BlockIndex RunRange::iterator::struckPartner() const {
    const BlockIndex j = (*blocks_)[block_].iother;
    const bool shown = j > 0 && j < static_cast<BlockIndex>(blocks_->size()) &&
                       (*blocks_)[j].nbytes > 0 && (*blocks_)[j].istrike;
    return shown ? j : 0;
}

std::string_view RunRange::iterator::currentText() const {
    return atPartner_ ? blocktextOf(*blocks_, docold_, struckPartner())
                      : blocktextOf(*blocks_, docnew_, block_);
}

void RunRange::iterator::nextBlock() {
    atPartner_ = false;
    const BlockIndex next = (*blocks_)[block_].inext;
    if (next <= 0 || next >= static_cast<BlockIndex>(blocks_->size()) ||
        steps_ >= blocks_->size()) {
        *this = iterator();  // the end
        return;
    }
    block_ = next;
    ++steps_;
}

void RunRange::iterator::skipEmpty() {
    // A struck partner is only ever stepped onto when it holds bytes.
    while (block_ != 0 && !atPartner_ && (*blocks_)[block_].nbytes <= 0) {
        if (struckPartner() != 0) {
            atPartner_ = true;
        } else {
            nextBlock();
        }
    }
}

CompareRun RunRange::iterator::operator*() const {
    if (atPartner_) return {RunKind::Deleted, currentText()};
    return {(*blocks_)[block_].isnew ? RunKind::Inserted : RunKind::Same, currentText()};
}

RunRange::iterator& RunRange::iterator::operator++() {
    if (!atPartner_ && struckPartner() != 0) {
        atPartner_ = true;
    } else {
        nextBlock();
    }
    skipEmpty();
    return *this;
}

std::string CompareEngine::comparedocs(std::string_view docnew, std::string_view docold,
                                       std::string_view defrtf, std::int64_t& count) {
    compareblocks(docnew, docold);
    return markuprtf(docnew, docold, defrtf, count);
}

void CompareEngine::compareblocks(std::string_view docnew, std::string_view docold) {
    chunkpasses(docnew, docold);
    alignborders(blocks_, docnew, docold);
}

void CompareEngine::chunkpasses(std::string_view docnew, std::string_view docold) {
    blocks_.assign(1, kSentinelBlock);
    const auto lenNew = static_cast<std::int64_t>(docnew.size());
    const auto lenOld = static_cast<std::int64_t>(docold.size());
    if (docnew == docold) {
        addblock({.pt0 = 1, .nbytes = lenNew, .iwhich = kNewText, .isfound = true});
        return;
    }
    addblock({.pt0 = 1, .nbytes = lenNew, .iother = 2, .iwhich = kNewText});
    addblock({.pt0 = 1, .nbytes = lenOld, .iother = 1, .iwhich = kOldText});
    progress_.length = static_cast<double>(std::max<std::int64_t>(lenNew, 1));
    progress_.passStart = 0;
    progress_.passShare = kPassShare[0];
    progress_.calls = 0;
    if (lenNew > kCoarseLimit && lenOld > kCoarseLimit) {
        refineblock(kCoarseChunk, docnew, docold, 1, 2);
    }
    for (std::size_t p = 0; p < kPasses.size(); ++p) {
        const Pass& pass = kPasses[p];
        progress_.passStart += progress_.passShare;
        progress_.passShare = kPassShare[p + 1];
        // The pieces made from block i are not looked at again in the same pass.
        for (BlockIndex i = 1; i != 0;) {
            const BlockIndex next = blocks_[i].inext;
            const BlockIndex other = blocks_[i].iother;
            if (!blocks_[i].isfound && blocks_[other].nbytes > pass.threshold &&
                blocks_[i].nbytes > pass.threshold) {
                tell(static_cast<double>(blocks_[i].ioffset + blocks_[i].pt0 - 1));
                refineblock(pass.minlen, docnew, docold, i, other);
            }
            i = next;
        }
    }
    // Texts that differ but are too short for any pass: shown as wholly replaced rather than
    // as one unchanged block that would report no difference at all.
    if (nblocks() == 2) {
        blocks_[1].isnew = true;
        blocks_[2].istrike = true;
    }
}

void CompareEngine::tell(double posNew) {
    // A call costs a clock read or more at the other end: a few hundred chunks between calls.
    constexpr unsigned kEvery = 256;
    if (progress_.hook && progress_.calls++ % kEvery == 0) report(posNew);
}

void CompareEngine::report(double posNew) {
    if (!progress_.hook) return;
    const double done = progress_.passStart + progress_.passShare * posNew / progress_.length;
    if (!progress_.hook(std::clamp(done, 0.0, 1.0))) throw CompareStopped();
}

BlockIndex CompareEngine::addblock(const Block& b) {
    if (blocks_.size() >= static_cast<std::size_t>(std::numeric_limits<BlockIndex>::max())) {
        throw std::length_error("comparison needs more blocks than an index can count");
    }
    const auto i = static_cast<BlockIndex>(blocks_.size());
    blocks_.push_back(b);
    if (b.iprev > 0 && b.iprev < i) blocks_[b.iprev].inext = i;
    if (b.inext > 0 && b.inext < i) blocks_[b.inext].iprev = i;
    return i;
}

void CompareEngine::dropblock(BlockIndex i) {
    Block& b = blocks_[i];
    if (b.iprev > 0) blocks_[b.iprev].inext = b.inext;
    if (b.inext > 0) blocks_[b.inext].iprev = b.iprev;
    b.nbytes = 0;
}

std::string_view CompareEngine::blocktext(std::string_view text, BlockIndex i) const {
    return blocktextOf(blocks_, text, i);
}

// The state one refinement shares between its phases. Every position here counts from 1
// within the refined pieces, as the blocks' pt0 does while ioffset is set; the conversions to
// the finder's 0-based places are the helpers at the end, and nowhere else.
struct CompareEngine::Refinement {
    Refinement(std::int64_t minlen, std::string_view s, std::string_view t, BlockIndex inew,
               BlockIndex iold, std::int64_t ioffS, std::int64_t ioffT,
               const ChunkFinder::IndexProgress& indexProgress)
        : minlen(minlen),
          S(s),
          T(t),
          lenS(static_cast<std::int64_t>(s.size())),
          lenT(static_cast<std::int64_t>(t.size())),
          inew(inew),
          iold(iold),
          ioffS(ioffS),
          ioffT(ioffT),
          finder(s, t, minlen, indexProgress),
          lastPos(1 - minlen),
          lastLen(minlen) {}

    const std::int64_t minlen;
    const std::string_view S;  // the new piece
    const std::string_view T;  // the old piece
    const std::int64_t lenS;
    const std::int64_t lenT;
    const BlockIndex inew;
    const BlockIndex iold;
    const std::int64_t ioffS;  // start of S in the new text, minus 1
    const std::int64_t ioffT;  // start of T in the old text, minus 1
    ChunkFinder finder;

    BlockIndex first = 0;      // first block this refinement adds (its first chunk)
    BlockIndex lastChunk = 0;  // block of the last chunk
    BlockIndex oldPrev = 0;    // old piece after which the next one is linked
    BlockIndex oldNext = 0;    // what follows iold in the old chain
    BlockIndex firstOld = 0;   // first old piece added
    std::int64_t lastPos;      // where the last match starts in T
    std::int64_t lastLen;      // and its length
    bool missed = false;       // the last chunk went unmatched
    BlockIndex tail = 0;       // last new block of this refinement

    // Where chunk `chunk` (0-based) first occurs, available, in T; 0 when it does not.
    std::int64_t find(std::int64_t chunk) { return finder.find(chunk) + 1; }
    void claim(std::int64_t pos, std::int64_t length) { finder.claim(pos - 1, length); }
    // The last claimed position of T at or before pos (0 when none), and the first at or
    // after it (lenT + 1 when none).
    std::int64_t lastClaimedUpTo(std::int64_t pos) const {
        return pos < 1 ? 0 : finder.lastClaimedUpTo(pos - 1) + 1;
    }
    std::int64_t firstClaimedFrom(std::int64_t pos) const {
        return finder.firstClaimedFrom(pos - 1) + 1;
    }
    // How many of the at most `room` bytes S[.., ps] and T[.., pt], read backwards, are equal.
    std::int64_t sharedBefore(std::int64_t ps, std::int64_t pt, std::int64_t room) const {
        std::int64_t n = 0;
        while (n < room && S[ps - 1 - n] == T[pt - 1 - n]) ++n;
        return n;
    }
    // How many of the at most `room` bytes S[ps, ..] and T[pt, ..] are equal.
    std::int64_t sharedFrom(std::int64_t ps, std::int64_t pt, std::int64_t room) const {
        if (room <= 0) return 0;
        const char* s = S.data() + ps - 1;
        return std::mismatch(s, s + room, T.data() + pt - 1).first - s;
    }
};

void CompareEngine::refineblock(std::int64_t minlen, std::string_view docnew,
                                std::string_view docold, BlockIndex inew, BlockIndex iold) {
    const std::string_view S = blocktext(docnew, inew);
    const std::string_view T = blocktext(docold, iold);
    if (minlen <= 0 || S.empty() || T.empty()) return;
    const std::int64_t ioffS = blocks_[inew].ioffset + blocks_[inew].pt0 - 1;
    // Only an index over a long piece takes long enough to tell of.
    constexpr std::size_t kLongPiece = std::size_t{1} << 20;
    ChunkFinder::IndexProgress indexProgress;
    if (progress_.hook && S.size() + T.size() >= kLongPiece) {
        indexProgress = [this, ioffS, lenS = static_cast<double>(S.size())](double done) {
            report(static_cast<double>(ioffS) + lenS * kIndexShare * done);
        };
    }
    Refinement r(minlen, S, T, inew, iold, ioffS, blocks_[iold].ioffset + blocks_[iold].pt0 - 1,
                 indexProgress);

    // Consume both blocks; their pieces follow.
    for (BlockIndex i : {inew, iold}) {
        blocks_[i].nbytes = 0;
        blocks_[i].isfound = true;
    }
    cutChunks(r);
    matchChunks(r);
    attachOldTail(r);
    growBackwards(r);
    growForwards(r);
    settlePieces(r);
}

// Chunks of S, linked in text order right after inew.
void CompareEngine::cutChunks(Refinement& r) {
    r.first = nblocks() + 1;
    BlockIndex last = r.inew;
    const BlockIndex after = blocks_[r.inew].inext;
    for (std::int64_t j = 1; j <= r.lenS; j += r.minlen) {
        last = addblock({.ioffset = r.ioffS,
                         .pt0 = j,
                         .nbytes = std::min(r.minlen, r.lenS - j + 1),
                         .iprev = last,
                         .inext = after,
                         .iwhich = kNewText,
                         .isnew = true});
    }
    r.lastChunk = last;
    r.tail = last;
    // Old pieces take iold's place: between its predecessor (or iold itself, the head) and
    // its successor.
    r.oldPrev = blocks_[r.iold].iprev != 0 ? blocks_[r.iold].iprev : r.iold;
    r.oldNext = blocks_[r.iold].inext;
}

BlockIndex CompareEngine::addOldPiece(Refinement& r, std::int64_t pt0, std::int64_t nbytes,
                                      BlockIndex other, bool strike) {
    r.oldPrev = addblock({.ioffset = r.ioffT,
                          .pt0 = pt0,
                          .nbytes = nbytes,
                          .iprev = r.oldPrev,
                          .inext = r.oldNext,
                          .iother = other,
                          .iwhich = kOldText,
                          .istrike = strike,
                          .isfound = !strike});
    if (r.firstOld == 0) r.firstOld = r.oldPrev;
    return r.oldPrev;
}

// Matches the chunks in order; a chunk counts as found only when its first available
// occurrence lies after the previous match. Old text skipped over becomes a deleted piece
// partnered with the unmatched new text before the chunk (an empty block when there is none);
// an unmatched chunk joins the unmatched one before it.
void CompareEngine::matchChunks(Refinement& r) {
    auto& b = blocks_;  // indices only: addblock may move the elements
    for (BlockIndex k = r.first; k <= r.lastChunk; ++k) {
        tell(static_cast<double>(r.ioffS) + static_cast<double>(r.lenS) * kIndexShare +
             static_cast<double>(b[k].pt0 - 1) * (1 - kIndexShare));
        const std::int64_t f = r.find(k - r.first);
        if (f > 0 && f > r.lastPos) {
            if (f != r.lastPos + r.minlen) {
                r.missed = false;
                if (b[b[k].iprev].isfound) {
                    addblock({.ioffset = r.ioffS,
                              .pt0 = b[k].pt0,
                              .iprev = b[k].iprev,
                              .inext = k,
                              .iwhich = kNewText,
                              .isnew = true});
                }
                const BlockIndex q = b[k].iprev;
                b[q].iother = nblocks() + 1;
                addOldPiece(r, r.lastPos + r.minlen, f - r.lastPos - r.minlen, q, true);
            }
            r.lastPos = f;
            r.lastLen = b[k].nbytes;
            const BlockIndex o = addOldPiece(r, f, b[k].nbytes, k, false);
            b[k].isfound = true;
            b[k].isnew = false;
            b[k].iother = o;
            r.claim(f, b[k].nbytes);
        } else {
            r.missed = true;
            const BlockIndex p = b[k].iprev;
            if (!b[p].isfound) {
                b[k].pt0 = b[p].pt0;
                b[k].nbytes += b[p].nbytes;
                dropblock(p);
            }
        }
    }
}

// Old text after the last match: deleted, partnered with the last chunk when that went
// unmatched, else with an empty block added after it.
void CompareEngine::attachOldTail(Refinement& r) {
    auto& b = blocks_;
    if (r.lastPos + r.lastLen > r.lenT) return;
    if (!r.missed) {
        const BlockIndex z = r.tail;
        r.tail = addblock({.ioffset = r.ioffS,
                           .pt0 = b[z].pt0 + b[z].nbytes,
                           .iprev = z,
                           .inext = b[z].inext,
                           .iwhich = kNewText,
                           .isnew = true});
    }
    b[r.tail].iother =
        addOldPiece(r, r.lastPos + r.lastLen, r.lenT - r.lastPos - r.lastLen + 1, r.tail, true);
}

// Grows matches backwards over bytes both unmatched neighbours share, a byte at a time as
// long as both neighbours still hold one and the byte of T is not claimed: all the steps of
// one match are taken at once.
void CompareEngine::growBackwards(Refinement& r) {
    auto& b = blocks_;
    for (BlockIndex k = b[r.inew].inext; k != 0; k = b[k].inext) {
        const BlockIndex p = b[k].iprev;
        if (b[k].isfound && !b[p].isfound) {
            const BlockIndex o = b[k].iother;
            const BlockIndex op = b[o].iprev;
            // The bytes before the match: S up to ps, T up to pt (1-based, inclusive).
            const std::int64_t ps = b[k].pt0 - 1;
            const std::int64_t pt = b[o].pt0 - 1;
            const std::int64_t room =
                std::min({ps, pt, b[p].nbytes, b[op].nbytes, pt - r.lastClaimedUpTo(pt)});
            const std::int64_t n = r.sharedBefore(ps, pt, room);
            b[k].pt0 -= n;
            b[o].pt0 -= n;
            b[k].nbytes += n;
            b[o].nbytes += n;
            b[p].nbytes -= n;
            b[op].nbytes -= n;
        }
        if (k == r.tail) break;
    }
}

// Grows matches forwards the same way; inew itself grows over what both pieces share at their
// start.
void CompareEngine::growForwards(Refinement& r) {
    auto& b = blocks_;
    for (BlockIndex k = r.inew; k != 0; k = b[k].inext) {
        const BlockIndex n = b[k].inext;
        if (b[k].isfound && !b[n].isfound) {
            const bool head = k == r.inew;
            const BlockIndex o = head ? r.iold : b[k].iother;
            const BlockIndex on = head ? r.firstOld : b[o].inext;
            // The bytes after the match: S from ps, T from pt (1-based).
            const std::int64_t ps = head ? b[k].nbytes + 1 : b[k].pt0 + b[k].nbytes;
            const std::int64_t pt = head ? b[o].nbytes + 1 : b[o].pt0 + b[o].nbytes;
            const std::int64_t room = std::min({b[n].nbytes, b[on].nbytes, r.lenS - ps + 1,
                                                r.lenT - pt + 1, r.firstClaimedFrom(pt) - pt});
            const std::int64_t m = r.sharedFrom(ps, pt, room);
            b[k].nbytes += m;
            b[o].nbytes += m;
            b[n].pt0 += m;
            b[on].pt0 += m;
            b[n].nbytes -= m;
            b[on].nbytes -= m;
        }
        if (k == r.tail) break;
    }
}

// Back to absolute positions; empty pieces are left alone by later passes.
void CompareEngine::settlePieces(const Refinement& r) {
    for (BlockIndex i = r.first; i <= nblocks(); ++i) {
        Block& b = blocks_[i];
        b.pt0 += b.ioffset;
        b.ioffset = 0;
        if (b.nbytes == 0) b.isfound = true;
    }
}

std::int64_t CompareEngine::countchanges() const {
    // Which runs there are, and their kinds, follow from the blocks alone: no text needed.
    std::int64_t count = 0;
    for (const CompareRun& run : runs({}, {})) {
        if (run.kind != RunKind::Same) ++count;
    }
    return count;
}

}  // namespace scrivane
