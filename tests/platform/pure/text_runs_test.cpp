#include "platform/pure/text_runs.h"

#include <gtest/gtest.h>

#include "platform/pure/random_docs.h"

namespace scrivane {
namespace {

TEST(Normalised, Table) {
    const TextRun blue{2, kInsertedBlue, false};
    const TextRun red{2, kDeletedRed, true};
    struct Case {
        const char* name;
        RichText in;
        std::vector<TextRun> runs;
    };
    const Case cases[] = {
        {"empty", {"", {}}, {}},
        {"empty text drops runs", {"", {blue}}, {}},
        {"all plain is no runs", {"abcd", {{2, kPlain, false}, {2, kPlain, false}}}, {}},
        {"short list padded", {"abcd", {blue}}, {blue, {2, kPlain, false}}},
        {"long list cut", {"abc", {blue, red}}, {blue, {1, kDeletedRed, true}}},
        {"equal neighbours merged", {"abcd", {blue, blue}}, {{4, kInsertedBlue, false}}},
        {"merged across an empty run",
         {"abcd", {blue, {0, kPlain, true}, blue}},
         {{4, kInsertedBlue, false}}},
        {"strike alone differs",
         {"abcd", {{2, kPlain, true}, {2, kPlain, false}}},
         {{2, kPlain, true}, {2, kPlain, false}}},
        {"colour masked to 24 bits", {"ab", {{2, 0xFF0000FF, false}}}, {{2, kDeletedRed, false}}},
        {"high byte only is plain", {"ab", {{2, 0x7F000000, false}}}, {}},
    };
    for (const Case& c : cases) {
        const RichText out = normalised(c.in);
        EXPECT_EQ(out.text, c.in.text) << c.name;
        EXPECT_EQ(out.runs, c.runs) << c.name;
    }
}

TEST(Normalised, IsCanonical) {
    std::mt19937 rng(11);
    for (int n = 0; n < 3000; ++n) {
        const RichText doc = normalised(testing::randomDoc(rng, 40));
        ASSERT_EQ(normalised(doc), doc);
        std::size_t covered = 0;
        for (std::size_t i = 0; i < doc.runs.size(); ++i) {
            ASSERT_GT(doc.runs[i].length, 0u);
            if (i > 0) {
                ASSERT_FALSE(doc.runs[i].colour == doc.runs[i - 1].colour &&
                             doc.runs[i].strike == doc.runs[i - 1].strike);
            }
            covered += doc.runs[i].length;
        }
        if (!doc.runs.empty()) {
            ASSERT_EQ(covered, doc.text.size());
        }
    }
}

}  // namespace
}  // namespace scrivane
