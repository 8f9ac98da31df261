#include <gtest/gtest.h>

#include <random>

#include "navigate/parts_search.h"
#include "navigate/text_search.h"

namespace scrivane {
namespace {

// The slow, obvious search the prepared one must agree with: decode the whole text, fold
// every character (foldCase agrees with Qt's folding: tests/app/case_folding_test.cpp),
// compare character arrays at every start.
struct Decoded {
    std::vector<char32_t> chars;
    std::vector<std::size_t> offsets;  // byte offset of each character, plus the end
};

Decoded decode(std::string_view bytes, Encoding encoding, bool fold) {
    Decoded d;
    std::size_t at = 0;
    if (encoding == Encoding::Latin1) {
        for (const char b : bytes) d.chars.push_back(static_cast<unsigned char>(b));
    } else {
        // The texts are valid UTF-8.
        for (std::size_t i = 0; i < bytes.size();) {
            const auto b0 = static_cast<unsigned char>(bytes[i]);
            const std::size_t length = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
            char32_t c = length == 1 ? b0 : b0 & (0x7F >> length);
            for (std::size_t k = 1; k < length; ++k)
                c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
            d.chars.push_back(c);
            i += length;
        }
    }
    for (const char32_t c : d.chars) {
        d.offsets.push_back(at);
        at += encoding == Encoding::Latin1 ? 1 : c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }
    d.offsets.push_back(at);
    if (fold) {
        for (char32_t& c : d.chars) c = foldCase(c);
    }
    return d;
}

bool matchesAt(const Decoded& text, const Decoded& pattern, std::size_t i) {
    if (i + pattern.chars.size() > text.chars.size()) return false;
    return std::equal(pattern.chars.begin(), pattern.chars.end(), text.chars.begin() + i);
}

std::optional<ByteRange> naiveForward(const Decoded& text, const Decoded& pattern,
                                      std::size_t from) {
    if (pattern.chars.empty()) return std::nullopt;
    for (std::size_t i = 0; i < text.chars.size(); ++i) {
        if (text.offsets[i] < from || !matchesAt(text, pattern, i)) continue;
        const std::size_t end = text.offsets[i + pattern.chars.size()];
        return ByteRange{text.offsets[i], end - text.offsets[i]};
    }
    return std::nullopt;
}

std::optional<ByteRange> naiveBackward(const Decoded& text, const Decoded& pattern,
                                       std::size_t end) {
    if (pattern.chars.empty()) return std::nullopt;
    for (std::size_t i = text.chars.size(); i-- > 0;) {
        if (!matchesAt(text, pattern, i)) continue;
        const std::size_t matchEnd = text.offsets[i + pattern.chars.size()];
        if (matchEnd <= end) return ByteRange{text.offsets[i], matchEnd - text.offsets[i]};
    }
    return std::nullopt;
}

// Characters whose folds meet, several of them across byte lengths: the Kelvin sign (3 bytes)
// folds to 'k', long s (2) to 's', capital sharp s (3) to sharp s (2), the Ohm sign (3) to
// omega (2), micro sign and capital mu to mu.
const std::vector<std::vector<std::string>> kUtf8Classes = {
    {"a", "A"},
    {"k", "K", "\u212A"},
    {"s", "S", "\u017F"},
    {"\u00E9", "\u00C9"},
    {"\u03C9", "\u03A9", "\u2126"},
    {"\u03C3", "\u03A3", "\u03C2"},
    {"\u00DF", "\u1E9E"},
    {"\u00B5", "\u039C", "\u03BC"},
    {"\U0001F600"},
    {"i", "I"},
    {"\u0130"},
    {" "},
    {"\r\n"},
    {"1"},
};

const std::vector<std::vector<std::string>> kLatin1Classes = {
    {"a", "A"}, {"k", "K"}, {"\xE9", "\xC9"}, {"\xE0", "\xC0"},
    {"\xB5"},   {"\xDF"},   {"\xFF"},         {"\xD7"},
    {"\xF7"},   {" "},      {"\r\n"},         {"\x80"},
};

// A text of random characters; `pieces` receives the class of each character.
std::string randomText(std::mt19937& rng, const std::vector<std::vector<std::string>>& classes,
                       std::size_t count, std::vector<std::size_t>& pieces) {
    std::string text;
    pieces.clear();
    // A few classes per text, so that matches are frequent.
    const std::size_t used = 2 + rng() % 4;
    std::vector<std::size_t> pick;
    for (std::size_t k = 0; k < used; ++k) pick.push_back(rng() % classes.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t cls = pick[rng() % pick.size()];
        pieces.push_back(cls);
        text += classes[cls][rng() % classes[cls].size()];
    }
    return text;
}

// Mostly a stretch of the text whose classes are `textPieces`, each character possibly swapped
// for one folding alike; otherwise random characters.
std::string randomPattern(std::mt19937& rng, const std::vector<std::vector<std::string>>& classes,
                          const std::vector<std::size_t>& textPieces) {
    std::string pattern;
    if (!textPieces.empty() && rng() % 4 != 0) {
        const std::size_t first = rng() % textPieces.size();
        const std::size_t count = 1 + rng() % std::min<std::size_t>(4, textPieces.size() - first);
        for (std::size_t i = first; i < first + count; ++i) {
            const auto& cls = classes[textPieces[i]];
            pattern += cls[rng() % cls.size()];
        }
        return pattern;
    }
    std::vector<std::size_t> unused;
    return randomText(rng, classes, 1 + rng() % 3, unused);
}

void checkAgainstReference(Encoding encoding,
                           const std::vector<std::vector<std::string>>& classes) {
    std::mt19937 rng(encoding == Encoding::Utf8 ? 11 : 12);
    std::vector<std::size_t> textPieces;
    for (int round = 0; round < 6000; ++round) {
        // Now and then a long text, where the scan passes over words without a start.
        const std::string text =
            randomText(rng, classes, rng() % (round % 8 == 0 ? 200 : 30), textPieces);
        const std::string pattern = randomPattern(rng, classes, textPieces);
        const bool exact = rng() % 3 == 0;
        const TextSearch search(pattern, encoding, exact);
        const Decoded t = decode(text, encoding, !exact);
        const Decoded p = decode(pattern, encoding, !exact);
        // Every character border, and one past the end.
        for (std::size_t b = 0; b < t.offsets.size(); ++b) {
            const std::size_t at = t.offsets[b];
            ASSERT_EQ(search.forward(text, at), naiveForward(t, p, at))
                << "round " << round << " forward from " << at;
            const auto back = naiveBackward(t, p, at);
            ASSERT_EQ(search.backward(text, at), back)
                << "round " << round << " backward to " << at;
            // Bounded by another border: forward, starts before it; backward, not before it.
            const std::size_t bound = t.offsets[rng() % t.offsets.size()];
            auto ahead = naiveForward(t, p, at);
            if (ahead && ahead->start >= bound) ahead.reset();
            ASSERT_EQ(search.forward(text, at, bound), ahead)
                << "round " << round << " forward from " << at << " before " << bound;
            ASSERT_EQ(search.backward(text, at, bound),
                      back && back->start >= bound ? back : std::nullopt)
                << "round " << round << " backward to " << at << " not before " << bound;
            if (back) {
                ASSERT_LE(back->length, search.longestMatch()) << "round " << round;
            }
        }
        ASSERT_EQ(search.forward(text, text.size() + 1), std::nullopt);
        // A range is a match exactly when a match starts there with that length.
        for (std::size_t b = 0; b + 1 < t.offsets.size(); ++b) {
            const std::size_t at = t.offsets[b];
            const bool starts = !p.chars.empty() && matchesAt(t, p, b);
            const std::size_t length = starts ? t.offsets[b + p.chars.size()] - at : 0;
            for (const std::size_t len : {length, length + 1, std::size_t{1}}) {
                ASSERT_EQ(search.matches(text, ByteRange{at, len}), len > 0 && len == length)
                    << "round " << round << " range " << at << "+" << len;
            }
        }
    }
}

TEST(TextSearch, AgreesWithDecodeFoldCompareInUtf8) {
    checkAgainstReference(Encoding::Utf8, kUtf8Classes);
}

TEST(TextSearch, AgreesWithDecodeFoldCompareInLatin1) {
    checkAgainstReference(Encoding::Latin1, kLatin1Classes);
}

// The text cut in two at every byte, as the editor's gap cuts it, searched where it lies: the
// same answers as the text in one run, matches across the cut included.
void checkTwoRunsAgainstOneRun(Encoding encoding,
                               const std::vector<std::vector<std::string>>& classes) {
    std::mt19937 rng(encoding == Encoding::Utf8 ? 21 : 22);
    std::vector<std::size_t> pieces;
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomText(rng, classes, rng() % 16, pieces);
        const std::string pattern = randomPattern(rng, classes, pieces);
        const TextSearch search(pattern, encoding, rng() % 3 == 0);
        const std::string_view whole = text;
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            const TextParts parts{whole.substr(0, cut), whole.substr(cut)};
            const std::string where =
                "round " + std::to_string(round) + " cut " + std::to_string(cut) + " at ";
            for (std::size_t at = 0; at <= text.size() + 1; ++at) {
                const std::size_t bound = rng() % (text.size() + 2);
                ASSERT_EQ(searchForward(search, parts, at), search.forward(whole, at))
                    << where << at;
                ASSERT_EQ(searchForward(search, parts, at, bound), search.forward(whole, at, bound))
                    << where << at << " before " << bound;
                ASSERT_EQ(searchBackward(search, parts, at), search.backward(whole, at))
                    << where << at;
                ASSERT_EQ(searchBackward(search, parts, at, bound),
                          search.backward(whole, at, bound))
                    << where << at << " not before " << bound;
                ASSERT_EQ(nextCharBorder(parts, at, encoding), nextCharBorder(whole, at, encoding))
                    << where << at;
                const ByteRange range{at, rng() % 8};
                ASSERT_EQ(searchMatches(search, parts, range), search.matches(whole, range))
                    << where << at << "+" << range.length;
            }
        }
    }
}

TEST(TextSearch, TwoRunsAnswerAsOneInUtf8) {
    checkTwoRunsAgainstOneRun(Encoding::Utf8, kUtf8Classes);
}

TEST(TextSearch, TwoRunsAnswerAsOneInLatin1) {
    checkTwoRunsAgainstOneRun(Encoding::Latin1, kLatin1Classes);
}

TEST(TextSearch, FoldsCaseInTheDocumentsEncoding) {
    const struct {
        const char* name;
        std::string text;
        std::string pattern;
        Encoding encoding;
        bool exact;
        std::optional<ByteRange> forward;
    } cases[] = {
        {"utf8 e acute", "caf\u00E9", "CAF\u00C9", Encoding::Utf8, false, ByteRange{0, 5}},
        {"utf8 omega", "x\u03C9y", "\u03A9", Encoding::Utf8, false, ByteRange{1, 2}},
        {"utf8 exact", "x\u03C9y", "\u03A9", Encoding::Utf8, true, std::nullopt},
        {"kelvin sign is selected whole", "1\u212A2", "k", Encoding::Utf8, false, ByteRange{1, 3}},
        {"latin1 C9 finds E9", "caf\xE9", "\xC9", Encoding::Latin1, false, ByteRange{3, 1}},
        {"latin1 exact", "caf\xE9", "\xC9", Encoding::Latin1, true, std::nullopt},
        // Byte C3 of "é" in UTF-8 is not a character of its own there.
        {"no split", "\u00E9", "\xC3", Encoding::Utf8, false, std::nullopt},
        {"line break", "a\r\nB", "A\r\nb", Encoding::Utf8, false, ByteRange{0, 4}},
        {"empty pattern", "abc", "", Encoding::Utf8, false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextSearch(c.pattern, c.encoding, c.exact).forward(c.text, 0), c.forward)
            << c.name;
    }
}

TEST(TextSearch, BoxTextInTheDocumentsEncoding) {
    const struct {
        std::string utf8;
        Encoding encoding;
        std::string bytes;
    } cases[] = {
        {"caf\u00E9", Encoding::Utf8, "caf\u00E9"},
        {"caf\u00E9", Encoding::Latin1, "caf\xE9"},
        {"\u03A9\U0001F600!", Encoding::Latin1,
         "?"
         "?!"},
        {"a\nb\rc\r\nd", Encoding::Utf8, "a\r\nb\r\nc\r\nd"},
        {"a\n\u00FF", Encoding::Latin1, "a\r\n\xFF"},
        {"", Encoding::Latin1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(toDocumentBytes(c.utf8, c.encoding), c.bytes) << c.utf8;
}

TEST(TextSearch, SearchTextTheDocumentCannotHoldFindsNothing) {
    const struct {
        std::string utf8;
        Encoding encoding;
        bool exact;
        std::optional<std::string> bytes;
    } cases[] = {
        {"\u03A9", Encoding::Latin1, false, std::nullopt},  // never the '?' it would be stored as
        {"\u03A9", Encoding::Latin1, true, std::nullopt},
        {"\u03A9", Encoding::Utf8, true, "\u03A9"},
        {"\u0178", Encoding::Latin1, false, "\xFF"},  // folds like the Latin-1 y diaeresis
        {"\u0178", Encoding::Latin1, true, std::nullopt},
        {"\u00C9a\n", Encoding::Latin1, true,
         "\xC9"
         "a\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(searchBytes(c.utf8, c.encoding, c.exact), c.bytes) << c.utf8 << " " << c.exact;
    }
    const auto kelvin = searchBytes("o\u212A", Encoding::Latin1, false);
    ASSERT_TRUE(kelvin);
    EXPECT_EQ(TextSearch(*kelvin, Encoding::Latin1, false).forward("xOk", 0), (ByteRange{1, 2}));
}

TEST(TextSearch, AllExactOccurrencesDoNotOverlap) {
    EXPECT_EQ(findAllExact("aaaa", "aa"), (std::vector<ByteRange>{{0, 2}, {2, 2}}));
    EXPECT_EQ(findAllExact("aaa", "aa"), (std::vector<ByteRange>{{0, 2}}));
    EXPECT_TRUE(findAllExact("abc", "").empty());
    EXPECT_TRUE(findAllExact("abc", "C").empty());
}

}  // namespace
}  // namespace scrivane
