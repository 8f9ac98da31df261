// The runs of a comparison result against a plain walk over chainOf, on real results and on
// block arrays with arbitrary (also broken) links.

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <ranges>

#include "compare/compare_engine.h"
#include "compare/pair_generator.h"

namespace scrivane {

void PrintTo(const CompareRun& run, std::ostream* os) {
    static constexpr const char* kKinds[] = {"Same", "Inserted", "Deleted"};
    *os << kKinds[static_cast<int>(run.kind)] << " \"" << run.text << "\"";
}

namespace {

static_assert(std::forward_iterator<RunRange::iterator>);
static_assert(std::ranges::forward_range<RunRange>);

// The chain collected first, then read block by block.
std::vector<CompareRun> walkedRuns(const std::vector<Block>& blocks, std::string_view docnew,
                                   std::string_view docold) {
    std::vector<CompareRun> out;
    const auto size = static_cast<BlockIndex>(blocks.size());
    for (BlockIndex i : chainOf(blocks, 1)) {
        const Block& b = blocks[i];
        if (b.nbytes > 0) {
            out.push_back(
                {b.isnew ? RunKind::Inserted : RunKind::Same, blocktextOf(blocks, docnew, i)});
        }
        const BlockIndex j = b.iother;
        if (j > 0 && j < size && blocks[j].nbytes > 0 && blocks[j].istrike) {
            out.push_back({RunKind::Deleted, blocktextOf(blocks, docold, j)});
        }
    }
    return out;
}

std::vector<CompareRun> rangeRuns(const RunRange& range) {
    return {range.begin(), range.end()};
}

TEST(RunRange, MatchesTheChainOnComparisonResults) {
    testing::PairGenerator gen(31);
    for (int n = 0; n < 400; ++n) {
        const testing::TextPair pair =
            n % 4 == 0 ? gen.unrelated(gen.anyAlphabet(), gen.below(300), gen.below(300))
                       : gen.similar(gen.anyAlphabet(), gen.below(3000), 1 + gen.below(10),
                                     1 + gen.below(50));
        CompareEngine engine;
        engine.chunkpasses(pair.docnew, pair.docold);
        const RunRange before = engine.runs(pair.docnew, pair.docold);
        ASSERT_EQ(rangeRuns(before), walkedRuns(engine.blocks(), pair.docnew, pair.docold))
            << "chunk passes, pair " << n;
        engine.compareblocks(pair.docnew, pair.docold);
        const RunRange after = engine.runs(pair.docnew, pair.docold);
        const std::vector<CompareRun> runs = rangeRuns(after);
        ASSERT_EQ(runs, walkedRuns(engine.blocks(), pair.docnew, pair.docold)) << "pair " << n;
        // Multi-pass: a second walk, and one iterator copied midway, see the same runs.
        EXPECT_EQ(rangeRuns(after), runs);
        auto it = after.begin();
        if (it != after.end()) ++it;
        auto copy = it;
        EXPECT_EQ(std::distance(it, after.end()), std::distance(copy, after.end()));
    }
}

// Random arrays: links that loop, point back, or leave the array, negative lengths, partners
// that are not struck or not there. The walk must end and agree with the chain.
TEST(RunRange, MatchesTheChainOnArbitraryBlocks) {
    std::mt19937 rng(77);
    const std::string docnew = "0123456789abcdefghij";
    const std::string docold = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int n = 0; n < 3000; ++n) {
        std::vector<Block> blocks{kSentinelBlock};
        const int count = pick(0, 8);
        for (int i = 0; i < count; ++i) {
            blocks.push_back({.pt0 = pick(-2, 30),
                              .nbytes = pick(-2, 8),
                              .iprev = pick(-1, count + 1),
                              .inext = pick(-1, count + 1),
                              .iother = pick(-1, count + 1),
                              .iwhich = static_cast<std::int8_t>(pick(0, 1)),
                              .isnew = pick(0, 1) == 1,
                              .istrike = pick(0, 1) == 1});
        }
        EXPECT_EQ(rangeRuns(runsOf(blocks, docnew, docold)), walkedRuns(blocks, docnew, docold))
            << "array " << n;
    }
}

TEST(RunRange, KnownShapes) {
    const std::string docnew = "keepNEWtail";
    const std::string docold = "keepOLDtail";
    struct Case {
        const char* what;
        std::vector<Block> blocks;
        std::vector<CompareRun> runs;
    };
    const Case cases[] = {
        {"no blocks", {kSentinelBlock}, {}},
        {"replacement",
         {kSentinelBlock,
          {.pt0 = 1, .nbytes = 4, .inext = 3},
          {.pt0 = 1, .nbytes = 0, .iwhich = kOldText},
          {.pt0 = 5, .nbytes = 3, .inext = 5, .iother = 4, .isnew = true},
          {.pt0 = 5, .nbytes = 3, .iother = 3, .iwhich = kOldText, .istrike = true},
          {.pt0 = 8, .nbytes = 4}},
         {{RunKind::Same, "keep"},
          {RunKind::Inserted, "NEW"},
          {RunKind::Deleted, "OLD"},
          {RunKind::Same, "tail"}}},
        {"deletion after an empty block, which loops back to the head",
         {kSentinelBlock,
          {.pt0 = 1, .nbytes = 4, .inext = 2},
          {.pt0 = 5, .nbytes = 0, .inext = 1, .iother = 3, .isnew = true},
          {.pt0 = 5, .nbytes = 3, .iwhich = kOldText, .istrike = true}},
         {{RunKind::Same, "keep"},
          {RunKind::Deleted, "OLD"},
          {RunKind::Same, "keep"},
          {RunKind::Deleted, "OLD"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rangeRuns(runsOf(c.blocks, docnew, docold)), c.runs) << c.what;
    }
}

// Iterators at two visits of one block are different places of the walk.
TEST(RunRange, TwoVisitsOfABlockOnALoopingChainDiffer) {
    const std::vector<Block> blocks{kSentinelBlock,
                                    {.pt0 = 1, .nbytes = 2, .inext = 2},
                                    {.pt0 = 3, .nbytes = 2, .inext = 1, .isnew = true}};
    const RunRange range = runsOf(blocks, "abcd", "");
    const auto first = range.begin();
    const auto third = std::next(first, 2);
    EXPECT_EQ(*first, *third);
    EXPECT_NE(first, third);
    EXPECT_EQ(std::distance(range.begin(), range.end()), 3);  // the chain holds 2 blocks
}

}  // namespace
}  // namespace scrivane
