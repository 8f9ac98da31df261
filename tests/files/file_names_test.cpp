#include <gtest/gtest.h>

#include "files/file_system.h"

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

}  // namespace
}  // namespace scrivane
