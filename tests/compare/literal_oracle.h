#pragma once

// A plain, step-by-step rendering of the comparison procedure, kept deliberately naive
// (every chunk is searched by scanning the partner piece from its first byte) so that the
// fast engine can be checked against it. Positions count from 1 as in the procedure. Matched
// bytes of the working copy T are overwritten with kTaken, a value no byte can take.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compare/block.h"

namespace scrivane::oracle {

inline constexpr int kTaken = -1;
inline constexpr int kControl = -1;  // stands for a control word's backslash in the body

class LiteralCompare {
  public:
    std::vector<Block> blocks{kSentinelBlock};

    BlockIndex nblocks() const { return static_cast<BlockIndex>(blocks.size()) - 1; }

    BlockIndex addblock(std::int8_t iwhich, std::int64_t ioffset, std::int64_t pt0,
                        std::int64_t nbytes, BlockIndex iprev, BlockIndex inext, BlockIndex iother,
                        bool isnew, bool istrike, bool isfound) {
        Block b;
        b.iwhich = iwhich;
        b.ioffset = ioffset;
        b.pt0 = pt0;
        b.nbytes = nbytes;
        b.iprev = iprev;
        b.inext = inext;
        b.iother = iother;
        b.isnew = isnew;
        b.istrike = istrike;
        b.isfound = isfound;
        blocks.push_back(b);
        const BlockIndex n = nblocks();
        if (iprev > 0) blocks[iprev].inext = n;
        if (inext > 0 && inext <= n) blocks[inext].iprev = n;
        return n;
    }

    void dropblock(BlockIndex i) {
        if (blocks[i].iprev > 0) blocks[blocks[i].iprev].inext = blocks[i].inext;
        if (blocks[i].inext > 0) blocks[blocks[i].inext].iprev = blocks[i].iprev;
        blocks[i].nbytes = 0;
    }

    static std::string mid(std::string_view s, std::int64_t start, std::int64_t length) {
        if (length <= 0 || start < 1 || start > static_cast<std::int64_t>(s.size())) return {};
        return std::string(
            s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
    }

    std::string blocktext(std::string_view text, BlockIndex i) const {
        return mid(text, blocks[i].ioffset + blocks[i].pt0, blocks[i].nbytes);
    }

    std::string chunktext(std::string_view s, BlockIndex k) const {
        return mid(s, blocks[k].pt0, blocks[k].nbytes);
    }

    // First position of `chunk` in T from position 1, 0 when absent.
    static std::int64_t instr(const std::vector<int>& t, const std::string& chunk) {
        const auto n = static_cast<std::int64_t>(t.size());
        const auto m = static_cast<std::int64_t>(chunk.size());
        for (std::int64_t p = 0; p + m <= n; ++p) {
            std::int64_t i = 0;
            while (i < m && t[p + i] == static_cast<unsigned char>(chunk[i])) ++i;
            if (i == m) return p + 1;
        }
        return 0;
    }

    void comparedocs(std::string_view docnew, std::string_view docold) {
        blocks.assign(1, kSentinelBlock);
        const auto lenNew = static_cast<std::int64_t>(docnew.size());
        const auto lenOld = static_cast<std::int64_t>(docold.size());
        if (docnew == docold) {
            addblock(0, 0, 1, lenNew, 0, 0, 0, false, false, true);
            return;
        }
        addblock(0, 0, 1, lenNew, 0, 0, 2, false, false, false);
        addblock(1, 0, 1, lenOld, 0, 0, 1, false, false, false);
        if (lenNew > 30000 && lenOld > 30000) refineblock(10000, docnew, docold, 1, 2);
        const std::int64_t passes[3][2] = {{1000, 1000}, {100, 100}, {10, 10}};
        for (const auto& pass : passes) {
            BlockIndex i = 1;
            while (i != 0) {
                const BlockIndex inext = blocks[i].inext;
                const BlockIndex j = blocks[i].iother;
                if (!blocks[i].isfound && blocks[j].nbytes > pass[0] &&
                    blocks[i].nbytes > pass[0]) {
                    refineblock(pass[1], docnew, docold, i, j);
                }
                i = inext;
            }
        }
        if (nblocks() == 2) {  // too short for any pass: wholly replaced
            blocks[1].isnew = true;
            blocks[2].istrike = true;
        }
    }

    void refineblock(std::int64_t minlen, std::string_view docnew, std::string_view docold,
                     BlockIndex inew, BlockIndex iold) {
        const std::string S = blocktext(docnew, inew);
        std::vector<int> T;
        for (char c : blocktext(docold, iold)) T.push_back(static_cast<unsigned char>(c));
        const auto lenS = static_cast<std::int64_t>(S.size());
        const auto lenT = static_cast<std::int64_t>(T.size());
        const std::int64_t offNew = blocks[inew].pt0 - 1;
        const std::int64_t offOld = blocks[iold].pt0 - 1;

        // 1
        blocks[inew].nbytes = 0;
        blocks[inew].isfound = true;
        blocks[iold].nbytes = 0;
        blocks[iold].isfound = true;
        const BlockIndex A = nblocks() + 1;

        // 2
        BlockIndex prev = inew;
        const BlockIndex after = blocks[inew].inext;
        for (std::int64_t J = 1; J <= lenS; J += minlen) {
            prev = addblock(0, offNew, J, std::min(minlen, lenS - J + 1), prev, after, 0, true,
                            false, false);
        }
        BlockIndex Z = prev;
        const BlockIndex lastChunk = Z;

        // 3
        BlockIndex P = blocks[iold].iprev > 0 ? blocks[iold].iprev : iold;
        const BlockIndex N = blocks[iold].inext;
        BlockIndex firstOld = 0;

        // 4
        std::int64_t L = 1 - minlen;
        std::int64_t M = minlen;
        bool miss = false;
        for (BlockIndex k = A; k <= lastChunk; ++k) {
            const std::int64_t f = instr(T, chunktext(S, k));
            if (f > 0 && f > L) {
                if (f != L + minlen) {
                    miss = false;
                    if (blocks[blocks[k].iprev].isfound) {
                        addblock(0, offNew, blocks[k].pt0, 0, blocks[k].iprev, k, 0, true, false,
                                 false);
                    }
                    const BlockIndex q = blocks[k].iprev;
                    blocks[q].iother = nblocks() + 1;
                    P = addblock(1, offOld, L + minlen, f - L - minlen, P, N, q, false, true,
                                 false);
                    if (firstOld == 0) firstOld = P;
                }
                L = f;
                M = blocks[k].nbytes;
                P = addblock(1, offOld, f, blocks[k].nbytes, P, N, k, false, false, true);
                if (firstOld == 0) firstOld = P;
                blocks[k].isfound = true;
                blocks[k].isnew = false;
                blocks[k].iother = P;
                for (std::int64_t x = 0; x < blocks[k].nbytes; ++x) T[f - 1 + x] = kTaken;
            } else {
                miss = true;
                const BlockIndex p = blocks[k].iprev;
                if (!blocks[p].isfound) {
                    blocks[k].pt0 = blocks[p].pt0;
                    blocks[k].nbytes = blocks[k].nbytes + blocks[p].nbytes;
                    dropblock(p);
                }
            }
        }

        // 5
        if (L + M <= lenT) {
            if (!miss) {
                Z = addblock(0, offNew, blocks[Z].pt0 + blocks[Z].nbytes, 0, Z, blocks[Z].inext, 0,
                             true, false, false);
            }
            P = addblock(1, offOld, L + M, lenT - L - M + 1, P, N, Z, false, true, false);
            if (firstOld == 0) firstOld = P;
            blocks[Z].iother = P;
        }

        auto sAt = [&](std::int64_t pos) {
            return static_cast<int>(static_cast<unsigned char>(S[pos - 1]));
        };

        // 6
        BlockIndex k = blocks[inew].inext;
        while (k != 0) {
            const BlockIndex p = blocks[k].iprev;
            if (blocks[k].isfound && !blocks[p].isfound) {
                const BlockIndex o = blocks[k].iother;
                const BlockIndex op = blocks[o].iprev;
                while (blocks[k].pt0 > 1 && blocks[o].pt0 > 1 && blocks[p].nbytes > 0 &&
                       blocks[op].nbytes > 0 && sAt(blocks[k].pt0 - 1) == T[blocks[o].pt0 - 2]) {
                    blocks[k].pt0 -= 1;
                    blocks[o].pt0 -= 1;
                    blocks[k].nbytes += 1;
                    blocks[o].nbytes += 1;
                    blocks[p].nbytes -= 1;
                    blocks[op].nbytes -= 1;
                }
            }
            if (k == Z) break;
            k = blocks[k].inext;
        }

        // 7
        k = inew;
        while (k != 0) {
            const BlockIndex n = blocks[k].inext;
            if (blocks[k].isfound && !blocks[n].isfound) {
                const BlockIndex o = k == inew ? iold : blocks[k].iother;
                const BlockIndex on = k == inew ? firstOld : blocks[o].inext;
                while (true) {
                    if (!(blocks[n].nbytes > 0 && blocks[on].nbytes > 0)) break;
                    const std::int64_t ps =
                        k == inew ? blocks[k].nbytes + 1 : blocks[k].pt0 + blocks[k].nbytes;
                    const std::int64_t pt =
                        k == inew ? blocks[o].nbytes + 1 : blocks[o].pt0 + blocks[o].nbytes;
                    if (ps > lenS || pt > lenT) break;
                    if (T[pt - 1] == kTaken || sAt(ps) != T[pt - 1]) break;
                    blocks[k].nbytes += 1;
                    blocks[o].nbytes += 1;
                    blocks[n].pt0 += 1;
                    blocks[on].pt0 += 1;
                    blocks[n].nbytes -= 1;
                    blocks[on].nbytes -= 1;
                }
            }
            if (k == Z) break;
            k = n;
        }

        // 8
        for (BlockIndex i = A; i <= nblocks(); ++i) {
            blocks[i].pt0 = blocks[i].ioffset + blocks[i].pt0;
            blocks[i].ioffset = 0;
            if (blocks[i].nbytes == 0) blocks[i].isfound = true;
        }
    }
};

// The marked-up output of `blocks`, built as the procedure builds it: control backslashes
// are written as kControl, then the body is escaped by whole-body replacements.
inline std::string markuprtf(const std::vector<Block>& blocks, std::string_view docnew,
                             std::string_view docold, std::string_view defrtf,
                             std::int64_t& count) {
    auto text = [&](std::string_view doc, BlockIndex i) {
        const Block& b = blocks[i];
        if (b.nbytes <= 0) return std::string();
        return std::string(
            doc.substr(static_cast<std::size_t>(b.pt0 - 1), static_cast<std::size_t>(b.nbytes)));
    };
    std::vector<int> body;
    auto add = [&](std::string_view s) {
        for (char c : s) body.push_back(static_cast<unsigned char>(c));
    };
    auto word = [&](std::string_view w) {
        body.push_back(kControl);
        add(w);
    };
    count = 0;
    BlockIndex i = 1;
    while (i != 0) {
        if (blocks[i].nbytes > 0) {
            if (blocks[i].isnew) {
                word("cf2 ");
                add("\x06");
                add(text(docnew, i));
                word("cf0 ");
                count += 1;
            } else {
                add(text(docnew, i));
            }
        }
        const BlockIndex j = blocks[i].iother;
        if (j > 0 && blocks[j].nbytes > 0 && blocks[j].istrike) {
            word("cf1 ");
            word("strike ");
            add("\x06");
            add(text(docold, j));
            word("strike0 ");
            word("cf0 ");
            count += 1;
        }
        i = blocks[i].inext;
    }

    auto replace = [&](const std::vector<int>& from, std::string_view to) {
        std::vector<int> out;
        for (std::size_t p = 0; p < body.size();) {
            if (p + from.size() <= body.size() &&
                std::equal(from.begin(), from.end(),
                           body.begin() + static_cast<std::ptrdiff_t>(p))) {
                for (char c : to) out.push_back(static_cast<unsigned char>(c));
                p += from.size();
            } else {
                out.push_back(body[p]);
                ++p;
            }
        }
        body = std::move(out);
    };
    // The text's own backslashes are doubled before the control words get theirs.
    replace({'\\'}, "\\\\");
    replace({kControl}, "\\");
    replace({'\r', '\n'}, "\\par ");
    replace({'\r'}, "\\'0d");
    replace({'\n'}, "\\'0a");
    replace({0}, "\\'00");
    replace({'{'}, "\\{");
    replace({'}'}, "\\}");
    std::string filled;
    for (int c : body) filled.push_back(static_cast<char>(c));

    std::string out(defrtf);
    for (std::size_t at = out.find("$TEXT_"); at != std::string::npos;
         at = out.find("$TEXT_", at + filled.size())) {
        out.replace(at, 6, filled);
    }
    return out;
}

}  // namespace scrivane::oracle
