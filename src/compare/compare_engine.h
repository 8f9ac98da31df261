#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compare/block.h"

namespace scrivane {

// The character-level comparison: cuts the new and the old text into two chains of blocks
// (the new chain from block 1, the old chain from block 2), matched pieces paired through
// `iother`, unmatched new pieces inserted, unmatched old pieces deleted. A coarse-to-fine chunk
// matcher: pieces are cut into chunks of 10000, 1000, 100 and 10 bytes, each chunk is looked
// up (first occurrence only) in the partner piece, matches keep their order, and the borders of
// every match are grown byte by byte. The blocks stay in place after a comparison for the
// output and the dump.
class CompareEngine {
  public:
    // Rebuilds the blocks for the pair and returns the marked-up document (`defrtf` filled, see
    // markuprtf); `count` receives the number of marked runs.
    std::string comparedocs(std::string_view docnew, std::string_view docold,
                            std::string_view defrtf, std::int64_t& count);

    // Rebuilds the blocks only: the chunk passes, then, when `docnew` is valid UTF-8, the pass
    // that keeps every change border on a character border (see alignborders).
    void compareblocks(std::string_view docnew, std::string_view docold);

    // The chunk passes alone, without the UTF-8 pass.
    void chunkpasses(std::string_view docnew, std::string_view docold);

    // The blocks as one RTF document: `defrtf` with every "$TEXT_" replaced by the body, in
    // which inserted runs read "\cf2 " marker text "\cf0 " and deleted runs "\cf1 \strike "
    // marker text "\strike0 \cf0 ". `count` receives the number of marked runs.
    std::string markuprtf(std::string_view docnew, std::string_view docold, std::string_view defrtf,
                          std::int64_t& count) const;

    // The number of marked runs markuprtf would write.
    std::int64_t countchanges() const;

    // Replaces the pair inew (new text) / iold (its old partner) by their pieces, cut in
    // chunks of `minlen`.
    void refineblock(std::int64_t minlen, std::string_view docnew, std::string_view docold,
                     BlockIndex inew, BlockIndex iold);

    // Appends `b` and links it into its chain after b.iprev and before b.inext.
    BlockIndex addblock(const Block& b);

    // Unlinks block i from its chain and empties it; its own links stay.
    void dropblock(BlockIndex i);

    // The bytes of block i in `text` (empty for an empty block).
    std::string_view blocktext(std::string_view text, BlockIndex i) const;

    // The content of the block-check file: both chains, each block's fields and bytes.
    std::string dumpblocks(std::string_view docnew, std::string_view docold) const;

    const std::vector<Block>& blocks() const { return blocks_; }
    std::vector<Block>& blocks() { return blocks_; }
    BlockIndex nblocks() const { return static_cast<BlockIndex>(blocks_.size()) - 1; }

  private:
    std::vector<Block> blocks_{kSentinelBlock};
};

// The blocks of the chain that starts at `head`, in chain order. Stops at an index outside
// the array and never walks more steps than there are blocks.
std::vector<BlockIndex> chainOf(const std::vector<Block>& blocks, BlockIndex head);

// The bytes of block i of `blocks` in `text`; empty for an empty block, clipped to `text`.
std::string_view blocktextOf(const std::vector<Block>& blocks, std::string_view text, BlockIndex i);

// "No differences were found.", "1 difference was found.", "N differences were found."
std::string differencesText(std::int64_t count);

}  // namespace scrivane
