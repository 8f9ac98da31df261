// A comparison telling its progress compares exactly as one that does not, tells a figure
// that only rises within [0, 1], and stops where it is told to.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "compare/compare_engine.h"
#include "compare/pair_generator.h"

namespace scrivane {
namespace {

using testing::PairGenerator;
using testing::TextPair;

TEST(EngineProgress, ToldComparisonsAgreeRiseAndStop) {
    PairGenerator gen(31);
    for (int n = 0; n < 60; ++n) {
        // Past the coarse pass's 30000 bytes now and then, unrelated now and then: every pass
        // has chunks to tell of. The first pair is long enough for its indexing to tell too.
        const std::size_t length = n == 0       ? 700000
                                   : n % 4 == 0 ? 40000 + gen.below(40000)
                                                : 100 + gen.below(5000);
        const TextPair pair = n % 3 == 0
                                  ? gen.unrelated(gen.anyAlphabet(), length, length / 2 + 1)
                                  : gen.similar(gen.anyAlphabet(), length, 1 + gen.below(40), 50);
        CompareEngine plain;
        plain.compareblocks(pair.docnew, pair.docold);

        CompareEngine told;
        std::vector<double> figures;
        told.setProgress([&figures](double done) {
            figures.push_back(done);
            return true;
        });
        told.compareblocks(pair.docnew, pair.docold);
        ASSERT_TRUE(told.blocks() == plain.blocks()) << "pair " << n;
        EXPECT_TRUE(std::is_sorted(figures.begin(), figures.end())) << "pair " << n;
        if (!figures.empty()) {
            EXPECT_GE(figures.front(), 0.0) << "pair " << n;
            EXPECT_LE(figures.back(), 1.0) << "pair " << n;
        }
        if (figures.empty()) continue;

        // Stopped at its last figure, the comparison throws; the same engine then compares
        // the pair again as if nothing had happened.
        const std::size_t stopAt = figures.size() - 1;
        std::size_t calls = 0;
        told.setProgress([&calls, stopAt](double) { return calls++ < stopAt; });
        EXPECT_THROW(told.compareblocks(pair.docnew, pair.docold), CompareStopped) << "pair " << n;
        EXPECT_EQ(calls, stopAt + 1) << "pair " << n;
        told.setProgress({});
        told.compareblocks(pair.docnew, pair.docold);
        EXPECT_TRUE(told.blocks() == plain.blocks()) << "pair " << n;
    }
}

}  // namespace
}  // namespace scrivane
