#include <gtest/gtest.h>

#include "platform/pure/encoding.h"

namespace scrivane {
namespace {

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
