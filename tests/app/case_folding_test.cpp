#include <gtest/gtest.h>

#include <QChar>
#include <map>

#include "navigate/text_search.h"

namespace scrivane {
namespace {

// Searching without "exact" matches characters that fold alike. The folding needs no toolkit,
// yet must put characters together exactly as Qt's Unicode case folding does: over every code
// point, two characters fold alike for one exactly when they do for the other.
TEST(CaseFolding, FoldsAlikeExactlyWhenUnicodeFoldingDoes) {
    std::map<char32_t, char32_t> oursByQt;
    std::map<char32_t, char32_t> qtByOurs;
    int disagreements = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;
        const char32_t qt = QChar::toCaseFolded(c);
        const char32_t ours = foldCase(c);
        const auto [byQt, newQt] = oursByQt.emplace(qt, ours);
        const auto [byOurs, newOurs] = qtByOurs.emplace(ours, qt);
        if (byQt->second != ours || byOurs->second != qt) {
            if (++disagreements <= 10) ADD_FAILURE() << std::hex << "U+" << unsigned(c);
        }
    }
    EXPECT_EQ(disagreements, 0);
}

}  // namespace
}  // namespace scrivane
