#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/pure/encoding.h"
#include "platform/pure/text_survey.h"
#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

// The longest run of bytes before an LF, or before the end, the hard way.
std::uint64_t longestLineOf(const std::string& text) {
    std::uint64_t longest = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            longest = std::max<std::uint64_t>(longest, i - start);
            start = i + 1;
        }
    }
    return longest;
}

// Pieces cut anywhere, inside a character or a CR LF too, answer as the whole does: bytes
// drawn from ASCII, breaks, continuation bytes and leads of every length, well-formed
// characters among them.
TEST(Utf8Stream, PiecesAnswerAsTheWhole) {
    std::mt19937 rng(5);
    static const std::string kPieces[] = {
        "a",    "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\r\n", "\n", "\x80",
        "\xC3", "\xE2\x82", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"};
    int valid = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string bytes;
        const std::size_t count = rng() % 12;
        for (std::size_t i = 0; i < count; ++i) {
            bytes += kPieces[rng() % (round % 2 == 0 ? 6 : std::size(kPieces))];
        }
        Utf8Stream stream;
        TextSurvey survey;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t piece = std::min<std::size_t>(bytes.size() - at, rng() % 5);
            stream.add(std::string_view(bytes).substr(at, piece));
            survey.add(std::string_view(bytes).substr(at, piece));
            at += piece;
        }
        ASSERT_EQ(stream.valid(), isValidUtf8(bytes)) << round;
        ASSERT_EQ(survey.utf8(), stream.valid()) << round;
        ASSERT_EQ(survey.longestLine(), longestLineOf(bytes)) << round;
        valid += stream.valid() ? 1 : 0;
    }
    EXPECT_GT(valid, 2000);
}

TEST(EscapeInvalidUtf8, Table) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"plain.txt", "plain.txt"},
        {"gr\xC3\xBC\xC3\x9F.txt", "gr\xC3\xBC\xC3\x9F.txt"},
        {"r\xE9sum\xE9.txt", "r\\xE9sum\\xE9.txt"},
        {"\xC3", "\\xC3"},                            // a cut sequence
        {"\xC0\xAF", "\\xC0\\xAF"},                   // an overlong '/'
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},          // a surrogate
        {"a\xE2\x82\xAC\xFF", "a\xE2\x82\xAC\\xFF"},  // valid before an invalid byte
        {std::string("\0x", 2), std::string("\0x", 2)},
    };
    for (const auto& c : cases) EXPECT_EQ(escapeInvalidUtf8(c.bytes), c.shown) << c.shown;
}

}  // namespace
}  // namespace scrivane
