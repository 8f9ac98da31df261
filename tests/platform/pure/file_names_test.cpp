#include <gtest/gtest.h>

#include "platform/pure/encoding.h"
#include "platform/pure/file_system.h"

namespace scrivane {
namespace {

TEST(CleanPath, Table) {
    const struct {
        const char* path;
        const char* clean;
    } cases[] = {
        {"/dir/./notes.txt", "/dir/notes.txt"},
        {"/dir//notes.txt", "/dir/notes.txt"},
        {"/dir/sub/../notes.txt", "/dir/notes.txt"},
        {"/dir/", "/dir"},
        {"/../a", "/a"},
        {"/", "/"},
        {"a/./b/", "a/b"},
        {"../a/../../b", "../../b"},
        {".", "."},
        {"a/..", "."},
        {"", ""},
        // Names made of dots, and bytes that are not UTF-8, are ordinary names.
        {"/d/.../x", "/d/.../x"},
        {"/d/r\xE9sum\xE9.txt", "/d/r\xE9sum\xE9.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(cleanPath(c.path), c.clean) << c.path;
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
