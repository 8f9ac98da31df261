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
    if (lenNew > kCoarseLimit && lenOld > kCoarseLimit) {
        refineblock(kCoarseChunk, docnew, docold, 1, 2);
    }
    for (const Pass& pass : kPasses) {
        // The pieces made from block i are not looked at again in the same pass.
        for (BlockIndex i = 1; i != 0;) {
            const BlockIndex next = blocks_[i].inext;
            const BlockIndex other = blocks_[i].iother;
            if (!blocks_[i].isfound && blocks_[other].nbytes > pass.threshold &&
                blocks_[i].nbytes > pass.threshold) {
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

void CompareEngine::refineblock(std::int64_t minlen, std::string_view docnew,
                                std::string_view docold, BlockIndex inew, BlockIndex iold) {
    auto& b = blocks_;  // indices only: addblock may move the elements
    const std::string_view S = blocktext(docnew, inew);
    const std::string_view T = blocktext(docold, iold);
    if (minlen <= 0 || S.empty() || T.empty()) return;
    const auto lenS = static_cast<std::int64_t>(S.size());
    const auto lenT = static_cast<std::int64_t>(T.size());
    const std::int64_t ioffS = b[inew].ioffset + b[inew].pt0 - 1;
    const std::int64_t ioffT = b[iold].ioffset + b[iold].pt0 - 1;

    // Consume both blocks; their pieces follow.
    b[inew].nbytes = 0;
    b[inew].isfound = true;
    b[iold].nbytes = 0;
    b[iold].isfound = true;
    const BlockIndex first = nblocks() + 1;

    // Chunks of S, linked in text order right after inew.
    BlockIndex last = inew;
    const BlockIndex afterNew = b[inew].inext;
    for (std::int64_t j = 1; j <= lenS; j += minlen) {
        last = addblock({.ioffset = ioffS,
                         .pt0 = j,
                         .nbytes = std::min(minlen, lenS - j + 1),
                         .iprev = last,
                         .inext = afterNew,
                         .iwhich = kNewText,
                         .isnew = true});
    }
    const BlockIndex lastChunk = last;

    // Old pieces take iold's place: between its predecessor (or iold itself, the head) and
    // its successor.
    BlockIndex oldPrev = b[iold].iprev != 0 ? b[iold].iprev : iold;
    const BlockIndex oldNext = b[iold].inext;
    BlockIndex firstOld = 0;
    auto addOld = [&](std::int64_t pt0, std::int64_t nbytes, BlockIndex other, bool strike) {
        oldPrev = addblock({.ioffset = ioffT,
                            .pt0 = pt0,
                            .nbytes = nbytes,
                            .iprev = oldPrev,
                            .inext = oldNext,
                            .iother = other,
                            .iwhich = kOldText,
                            .istrike = strike,
                            .isfound = !strike});
        if (firstOld == 0) firstOld = oldPrev;
        return oldPrev;
    };

    // Match the chunks in order; a chunk counts as found only when its first available
    // occurrence lies after the previous match.
    ChunkFinder finder(S, T, minlen);
    std::int64_t lastPos = 1 - minlen;
    std::int64_t lastLen = minlen;
    bool missed = false;
    for (BlockIndex k = first; k <= lastChunk; ++k) {
        const std::int64_t f = finder.find(k - first) + 1;
        if (f > 0 && f > lastPos) {
            if (f != lastPos + minlen) {
                missed = false;
                if (b[b[k].iprev].isfound) {
                    addblock({.ioffset = ioffS,
                              .pt0 = b[k].pt0,
                              .iprev = b[k].iprev,
                              .inext = k,
                              .iwhich = kNewText,
                              .isnew = true});
                }
                const BlockIndex q = b[k].iprev;
                b[q].iother = nblocks() + 1;
                addOld(lastPos + minlen, f - lastPos - minlen, q, true);
            }
            lastPos = f;
            lastLen = b[k].nbytes;
            const BlockIndex o = addOld(f, b[k].nbytes, k, false);
            b[k].isfound = true;
            b[k].isnew = false;
            b[k].iother = o;
            finder.claim(f - 1, b[k].nbytes);
        } else {
            missed = true;
            const BlockIndex p = b[k].iprev;
            if (!b[p].isfound) {
                b[k].pt0 = b[p].pt0;
                b[k].nbytes += b[p].nbytes;
                dropblock(p);
            }
        }
    }

    // Old text after the last match.
    BlockIndex z = lastChunk;
    if (lastPos + lastLen <= lenT) {
        if (!missed) {
            z = addblock({.ioffset = ioffS,
                          .pt0 = b[z].pt0 + b[z].nbytes,
                          .iprev = z,
                          .inext = b[z].inext,
                          .iwhich = kNewText,
                          .isnew = true});
        }
        b[z].iother = addOld(lastPos + lastLen, lenT - lastPos - lastLen + 1, z, true);
    }

    // A claimed byte of T never equals a byte of S, so growth stops there.
    auto byteS = [&](std::int64_t pos) { return static_cast<unsigned char>(S[pos - 1]); };
    auto freeByteT = [&](std::int64_t pos) {
        return finder.claimed(pos - 1) ? -1
                                       : static_cast<int>(static_cast<unsigned char>(T[pos - 1]));
    };

    // Grow matches backwards over bytes both unmatched neighbours share.
    for (BlockIndex k = b[inew].inext; k != 0; k = b[k].inext) {
        const BlockIndex p = b[k].iprev;
        if (b[k].isfound && !b[p].isfound) {
            const BlockIndex o = b[k].iother;
            const BlockIndex op = b[o].iprev;
            while (b[k].pt0 > 1 && b[o].pt0 > 1 && b[p].nbytes > 0 && b[op].nbytes > 0 &&
                   freeByteT(b[o].pt0 - 1) == byteS(b[k].pt0 - 1)) {
                --b[k].pt0;
                --b[o].pt0;
                ++b[k].nbytes;
                ++b[o].nbytes;
                --b[p].nbytes;
                --b[op].nbytes;
            }
        }
        if (k == z) break;
    }

    // Grow matches forwards; inew itself grows over what both pieces share at their start.
    for (BlockIndex k = inew; k != 0; k = b[k].inext) {
        const BlockIndex n = b[k].inext;
        if (b[k].isfound && !b[n].isfound) {
            const bool head = k == inew;
            const BlockIndex o = head ? iold : b[k].iother;
            const BlockIndex on = head ? firstOld : b[o].inext;
            while (b[n].nbytes > 0 && b[on].nbytes > 0) {
                const std::int64_t ps = head ? b[k].nbytes + 1 : b[k].pt0 + b[k].nbytes;
                const std::int64_t pt = head ? b[o].nbytes + 1 : b[o].pt0 + b[o].nbytes;
                if (ps > lenS || pt > lenT || freeByteT(pt) != byteS(ps)) break;
                ++b[k].nbytes;
                ++b[o].nbytes;
                ++b[n].pt0;
                ++b[on].pt0;
                --b[n].nbytes;
                --b[on].nbytes;
            }
        }
        if (k == z) break;
    }

    // Back to absolute positions; empty pieces are left alone by later passes.
    for (BlockIndex i = first; i <= nblocks(); ++i) {
        b[i].pt0 += b[i].ioffset;
        b[i].ioffset = 0;
        if (b[i].nbytes == 0) b[i].isfound = true;
    }
}

std::int64_t CompareEngine::countchanges() const {
    std::int64_t count = 0;
    for (BlockIndex i : chainOf(blocks_, 1)) {
        const Block& b = blocks_[i];
        if (b.nbytes > 0 && b.isnew) ++count;
        const BlockIndex j = b.iother;
        if (j > 0 && j < static_cast<BlockIndex>(blocks_.size()) && blocks_[j].nbytes > 0 &&
            blocks_[j].istrike) {
            ++count;
        }
    }
    return count;
}

}  // namespace scrivane
