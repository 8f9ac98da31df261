#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "compare/marked_content.h"
#include "compare/markup_format.h"
#include "compare/pair_generator.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/rtf_reader.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

using testing::Alphabet;
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

// Random breaks written otherwise than usual, for the lines of a CR LF text.
std::vector<LineBreak> randomBreaks(std::mt19937& rng, std::string_view text) {
    std::vector<LineBreak> breaks;
    const Pos lines = static_cast<Pos>(std::count(text.begin(), text.end(), '\n'));
    for (Pos line = 0; line < lines; ++line) {
        if (rng() % 3 == 0) breaks.push_back({line, rng() % 2 ? LineEnd::Lf : LineEnd::Cr});
    }
    return breaks;
}

// Round trips: the marked text, stripped, is the new text with its breaks; read the other
// way (struck text kept, inserted text gone), it is the old text, whose deleted lines keep the
// breaks the old text gave them (unchanged lines are the new text's).
TEST(MarkedContent, EachSideKeepsItsLineBreaks) {
    PairGenerator gen(91);
    std::mt19937 rng(92);
    for (int n = 0; n < 1500; ++n) {
        auto pair = n % 4 == 0 ? gen.unrelated(Alphabet::Lines, gen.below(80), gen.below(80))
                               : gen.similar(Alphabet::Lines, gen.below(400), 1 + gen.below(5),
                                             1 + gen.below(20));
        pair.docnew = toCrLf(pair.docnew);
        pair.docold = toCrLf(pair.docold);
        const std::vector<LineBreak> newBreaks = randomBreaks(rng, pair.docnew);
        const std::vector<LineBreak> oldBreaks = randomBreaks(rng, pair.docold);
        CompareEngine engine;
        engine.compareblocks(pair.docnew, pair.docold);
        const RichText marked =
            markedContent(engine, pair.docnew, pair.docold, newBreaks, oldBreaks);
        ASSERT_EQ(strippedContent(marked), (RichText{pair.docnew, {}, newBreaks})) << "pair " << n;

        // The old lines whose break lies in deleted text.
        std::vector<bool> deletedLine(pair.docold.size() + 1, false);
        for (const CompareRun& run : engine.runs(pair.docnew, pair.docold)) {
            if (run.kind != RunKind::Deleted) continue;
            const auto from = static_cast<std::size_t>(run.text.data() - pair.docold.data());
            for (std::size_t i = from; i < from + run.text.size(); ++i) {
                if (pair.docold[i] == '\n') {
                    deletedLine[static_cast<std::size_t>(
                        std::count(pair.docold.begin(), pair.docold.begin() + i, '\n'))] = true;
                }
            }
        }
        std::vector<LineBreak> deletedBreaks;
        for (const LineBreak& b : oldBreaks) {
            if (deletedLine[static_cast<std::size_t>(b.line)]) deletedBreaks.push_back(b);
        }
        const RichText marked2 = markedContent(engine, pair.docnew, pair.docold, {}, oldBreaks);
        RichText oldSide = marked2;
        for (TextRun& run : oldSide.runs) {
            run.strike = !run.marker && run.colour == kInsertedBlue;
            run.colour = kPlain;
        }
        ASSERT_EQ(strippedContent(oldSide), (RichText{pair.docold, {}, deletedBreaks}))
            << "pair " << n;
    }
}

}  // namespace
}  // namespace scrivane
