#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "compare/block.h"

namespace scrivane {

// What a run of the comparison shows: text both texts share, text only the new one has, text
// only the old one had.
enum class RunKind : std::uint8_t { Same, Inserted, Deleted };

struct CompareRun {
    RunKind kind = RunKind::Same;
    std::string_view text;
    bool operator==(const CompareRun&) const = default;
};

// A comparison result read as runs, in the order the marked-up document shows them: for each
// block of the new chain (from block 1), its own bytes (Same, or Inserted when unmatched), then
// the bytes of its old partner when that partner is struck (Deleted). Runs of empty blocks are
// skipped, so a run's text is empty only when the texts given are shorter than the blocks say
// (the kinds alone need no text at all). The views point into `docnew` and `docold`, and iterators
// read `blocks` as they move, so all three must outlive them unchanged. A chain that loops or
// leaves the array ends the walk, as in chainOf.
class RunRange {
  public:
    class iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CompareRun;
        using difference_type = std::ptrdiff_t;
        using reference = CompareRun;

        iterator() = default;
        CompareRun operator*() const;
        iterator& operator++();
        iterator operator++(int) {
            iterator before = *this;
            ++*this;
            return before;
        }
        // The step count tells apart two visits of one block on a chain that loops.
        bool operator==(const iterator& other) const {
            return block_ == other.block_ && atPartner_ == other.atPartner_ &&
                   steps_ == other.steps_;
        }

      private:
        friend class RunRange;
        explicit iterator(const RunRange& range);
        // Stays, or moves on, to the first non-empty run from the current place.
        void skipEmpty();
        void nextBlock();
        // The old partner of the current block when it is shown deleted, else 0.
        BlockIndex struckPartner() const;
        std::string_view currentText() const;

        const std::vector<Block>* blocks_ = nullptr;
        std::string_view docnew_;
        std::string_view docold_;
        BlockIndex block_ = 0;    // 0 once past the end
        bool atPartner_ = false;  // at the block's struck partner rather than its own bytes
        std::size_t steps_ = 0;   // blocks visited, never more than the array holds; 0 at the end
    };

    RunRange(const std::vector<Block>& blocks, std::string_view docnew, std::string_view docold)
        : blocks_(&blocks), docnew_(docnew), docold_(docold) {}

    iterator begin() const { return iterator(*this); }
    iterator end() const { return iterator(); }

  private:
    const std::vector<Block>* blocks_;
    std::string_view docnew_;
    std::string_view docold_;
};

// The runs of `blocks`, a result laid out as CompareEngine leaves it.
inline RunRange runsOf(const std::vector<Block>& blocks, std::string_view docnew,
                       std::string_view docold) {
    return RunRange(blocks, docnew, docold);
}

// A long comparison tells how far it is, from 0 to 1, as it goes; the hook returns false to
// stop it, and the comparison then throws CompareStopped, its blocks meaning nothing.
using CompareProgress = std::function<bool(double)>;

struct CompareStopped : std::exception {
    const char* what() const noexcept override { return "the comparison was stopped"; }
};

// The character-level comparison: cuts the new and the old text into two chains of blocks
// (the new chain from block 1, the old chain from block 2), matched pieces paired through
// `iother`, unmatched new pieces inserted, unmatched old pieces deleted. A coarse-to-fine chunk
// matcher: pieces are cut into chunks of 10000, 1000, 100 and 10 bytes, each chunk is looked
// up (first occurrence only) in the partner piece, matches keep their order, and the borders of
// every match are grown byte by byte. The blocks stay in place after a comparison for the
// output and the dump.
class CompareEngine {
  public:
    // From now on the chunk passes tell their progress to `hook` (empty: to nobody).
    void setProgress(CompareProgress hook) { progress_.hook = std::move(hook); }

    // Rebuilds the blocks for the pair and returns the marked-up document (`defrtf` filled, see
    // markuprtf); `count` receives the number of marked runs.
    std::string comparedocs(std::string_view docnew, std::string_view docold,
                            std::string_view defrtf, std::int64_t& count);

    // Rebuilds the blocks only: the chunk passes, then the pass that keeps every change border
    // on a character border (see alignborders). That pass always runs: a CR LF pair is one
    // character in every text, a UTF-8 sequence one character when `docnew` is valid UTF-8.
    void compareblocks(std::string_view docnew, std::string_view docold);

    // The chunk passes alone, without the border pass.
    void chunkpasses(std::string_view docnew, std::string_view docold);

    // The result of the last comparison of `docnew` with `docold` as runs (see RunRange); the
    // range reads the blocks, so it is valid until the next comparison.
    RunRange runs(std::string_view docnew, std::string_view docold) const {
        return RunRange(blocks_, docnew, docold);
    }

    // The blocks as one RTF document: `defrtf` with every "$TEXT_" replaced by the body, in
    // which inserted runs read "\cf2 " marker text "\cf0 " and deleted runs "\cf1 \strike "
    // marker text "\strike0 \cf0 ". `count` receives the number of marked runs.
    std::string markuprtf(std::string_view docnew, std::string_view docold, std::string_view defrtf,
                          std::int64_t& count) const;

    // The number of marked runs markuprtf would write.
    std::int64_t countchanges() const;

    // The bytes of block i in `text` (empty for an empty block).
    std::string_view blocktext(std::string_view text, BlockIndex i) const;

    // The content of the block-check file: both chains, each block's fields and bytes.
    std::string dumpblocks(std::string_view docnew, std::string_view docold) const;

    const std::vector<Block>& blocks() const { return blocks_; }
    BlockIndex nblocks() const { return static_cast<BlockIndex>(blocks_.size()) - 1; }

  private:
    struct Refinement;
    // The passes share one rising figure: the current pass, from `passStart` and taking
    // `passShare` of the whole, is as far as the place in the new text it has reached.
    struct Progress {
        CompareProgress hook;
        double passStart = 0;
        double passShare = 1;
        double length = 1;
        unsigned calls = 0;
    };

    // Tells the hook, now and then, that the pass has reached place `posNew` of the new text.
    void tell(double posNew);
    // Tells it now.
    void report(double posNew);

    // Replaces the pair inew (new text) / iold (its old partner) by their pieces, cut in
    // chunks of `minlen`. The phases below run in this order on one Refinement.
    void refineblock(std::int64_t minlen, std::string_view docnew, std::string_view docold,
                     BlockIndex inew, BlockIndex iold);
    void cutChunks(Refinement& r);
    void matchChunks(Refinement& r);
    void attachOldTail(Refinement& r);
    void growBackwards(Refinement& r);
    void growForwards(Refinement& r);
    void settlePieces(const Refinement& r);
    BlockIndex addOldPiece(Refinement& r, std::int64_t pt0, std::int64_t nbytes, BlockIndex other,
                           bool strike);

    // Appends `b` and links it into its chain after b.iprev and before b.inext.
    BlockIndex addblock(const Block& b);

    // Unlinks block i from its chain and empties it; its own links stay.
    void dropblock(BlockIndex i);

    std::vector<Block> blocks_{kSentinelBlock};
    Progress progress_;
};

// The blocks of the chain that starts at `head`, in chain order. Stops at an index outside
// the array and never walks more steps than there are blocks.
std::vector<BlockIndex> chainOf(const std::vector<Block>& blocks, BlockIndex head);

// The bytes of block i of `blocks` in `text`; empty for an empty block, clipped to `text`.
std::string_view blocktextOf(const std::vector<Block>& blocks, std::string_view text, BlockIndex i);

// "No differences were found.", "1 difference was found.", "N differences were found."
std::string differencesText(std::int64_t count);

}  // namespace scrivane
