#include <gtest/gtest.h>

#include "compare/marked_content.h"
#include "compare/markup_format.h"
#include "compare/pair_generator.h"
#include "platform/pure/rtf_reader.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

using testing::PairGenerator;

// The styled result is what reading the marked-up RTF document gives, on every kind of pair.
TEST(MarkedContent, ReadsAsTheMarkedUpDocument) {
    PairGenerator gen(77);
    const std::string defrtf = setdefrtf(FontSpec{});
    for (int n = 0; n < 1500; ++n) {
        const auto pair = n % 3 == 0
                              ? gen.unrelated(gen.anyAlphabet(), gen.below(40), gen.below(40))
                              : gen.similar(gen.anyAlphabet(), gen.below(600), 1 + gen.below(5),
                                            1 + gen.below(20));
        CompareEngine viaRtf;
        std::int64_t rtfCount = 0;
        const std::string rtf = viaRtf.comparedocs(pair.docnew, pair.docold, defrtf, rtfCount);
        CompareEngine direct;
        direct.compareblocks(pair.docnew, pair.docold);
        const RichText marked = markedContent(direct, pair.docnew, pair.docold);
        RichText read = readRtf(rtf).doc;
        read.runs = withMarkersAtRunStarts(read.text, read.runs);
        ASSERT_EQ(normalised(marked), normalised(read)) << "pair " << n;
        ASSERT_EQ(direct.countchanges(), rtfCount) << "pair " << n;
    }
}

}  // namespace
}  // namespace scrivane
