// The fast engine against the step-by-step procedure, on generated pairs.

#include <gtest/gtest.h>

#include <functional>

#include "compare/border_align.h"
#include "compare/compare_checks.h"
#include "compare/compare_engine.h"
#include "compare/literal_oracle.h"
#include "compare/markup_format.h"
#include "compare/pair_generator.h"
#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

using testing::Alphabet;
using testing::PairGenerator;
using testing::TextPair;

std::string escapedForMessage(std::string_view s) {
    std::string out;
    for (unsigned char c : s.substr(0, 200)) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return s.size() > 200 ? out + "..." : out;
}

// Compares one pair both ways and checks the result's properties; true when all agree.
bool agreesWithOracle(const TextPair& pair, const std::string& defrtf) {
    const std::string_view docnew = pair.docnew;
    const std::string_view docold = pair.docold;

    oracle::LiteralCompare literal;
    literal.comparedocs(docnew, docold);
    CompareEngine engine;
    engine.chunkpasses(docnew, docold);
    EXPECT_EQ(engine.blocks(), literal.blocks)
        << "new: " << escapedForMessage(docnew) << "\nold: " << escapedForMessage(docold);
    if (engine.blocks() != literal.blocks) return false;

    std::vector<Block> expected = literal.blocks;
    EXPECT_TRUE(alignborders(expected, docnew, docold)) << escapedForMessage(docnew);
    std::int64_t expectedCount = -1;
    const std::string expectedMarkup =
        oracle::markuprtf(expected, docnew, docold, defrtf, expectedCount);

    std::int64_t count = -1;
    const std::string markup = engine.comparedocs(docnew, docold, defrtf, count);
    EXPECT_EQ(engine.blocks(), expected);
    EXPECT_EQ(markup, expectedMarkup);
    EXPECT_EQ(count, expectedCount);
    EXPECT_EQ(count, engine.countchanges());
    EXPECT_EQ(count == 0, docnew == docold);
    const std::vector<std::string> faults =
        testing::resultFaults(engine.blocks(), docnew, docold, markup);
    EXPECT_TRUE(faults.empty()) << (faults.empty() ? "" : faults.front())
                                << "\nnew: " << escapedForMessage(docnew)
                                << "\nold: " << escapedForMessage(docold);
    return !::testing::Test::HasFailure();
}

struct Family {
    const char* name;
    std::uint32_t seed;
    int pairs;
    std::function<TextPair(PairGenerator&)> make;
};

void PrintTo(const Family& family, std::ostream* os) {
    *os << family.name;
}

class EngineMatchesOracle : public ::testing::TestWithParam<Family> {};

TEST_P(EngineMatchesOracle, OnEveryGeneratedPair) {
    const Family& family = GetParam();
    PairGenerator gen(family.seed);
    const std::string defrtf = setdefrtf(FontSpec{});
    for (int n = 0; n < family.pairs; ++n) {
        const TextPair pair = family.make(gen);
        if (!agreesWithOracle(pair, defrtf)) {
            FAIL() << family.name << " pair " << n << " (seed " << family.seed << ")";
        }
    }
}

// 10 430 pairs in all.
INSTANTIATE_TEST_SUITE_P(
    Families, EngineMatchesOracle,
    ::testing::Values(
        Family{"tiny", 11, 2500,
               [](PairGenerator& g) {
                   // 0 to 12 bytes: around the 10-byte limit, empty texts included.
                   return g.below(3) == 0
                              ? g.unrelated(g.anyAlphabet(), g.below(13), g.below(13))
                              : g.similar(g.anyAlphabet(), g.below(13), 1 + g.below(2), 3);
               }},
        Family{"small edits", 12, 3000,
               [](PairGenerator& g) {
                   return g.similar(g.anyAlphabet(), 20 + g.below(400), 1 + g.below(6),
                                    1 + g.below(30));
               }},
        Family{"bytes with NUL and high bytes", 13, 1500,
               [](PairGenerator& g) {
                   return g.similar(Alphabet::AnyByte, g.below(600), 1 + g.below(8),
                                    1 + g.below(40));
               }},
        Family{"utf-8", 14, 1500,
               [](PairGenerator& g) {
                   return g.similar(Alphabet::Utf8, g.below(600), 1 + g.below(8), 1 + g.below(40));
               }},
        Family{"unrelated", 15, 1000,
               [](PairGenerator& g) {
                   return g.unrelated(g.anyAlphabet(), g.below(1500), g.below(1500));
               }},
        Family{"moved and repeated", 16, 500,
               [](PairGenerator& g) {
                   // Long edits on repetitive text: whole stretches move or repeat.
                   const Alphabet a = g.below(2) == 0 ? Alphabet::TwoLetters : Alphabet::Words;
                   return g.similar(a, 100 + g.below(2000), 1 + g.below(4), 300);
               }},
        Family{"larger", 17, 380,
               [](PairGenerator& g) {
                   return g.similar(g.anyAlphabet(), 1000 + g.below(5000), 1 + g.below(40),
                                    1 + g.below(200));
               }},
        Family{"runs of one byte", 19, 30,
               [](PairGenerator& g) {
                   // Every long chunk looks alike: the sampled index gives up.
                   std::string old(1000 + g.below(2000), 'a');
                   std::string now = g.edited(old, Alphabet::TwoLetters, 1 + g.below(6), 20);
                   return g.below(2) == 0 ? TextPair{now, old} : TextPair{old, now};
               }},
        Family{"around the coarse pass", 18, 20,
               [](PairGenerator& g) {
                   // Exactly 30000 and 30001 bytes on either side.
                   const Alphabet a = g.anyAlphabet();
                   std::string old = g.text(a, 30000 + g.below(2));
                   old.resize(30000 + g.below(2));
                   std::string now = g.edited(old, a, 1 + g.below(20), 50);
                   now.resize(30000 + g.below(2), 'q');
                   if (g.below(5) == 0) now = g.text(Alphabet::Letters, 30001).substr(0, 30001);
                   return TextPair{now, old};
               }}),
    [](const ::testing::TestParamInfo<Family>& info) {
        std::string name;
        for (char c : std::string_view(info.param.name)) {
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        }
        return name;
    });

}  // namespace
}  // namespace scrivane
