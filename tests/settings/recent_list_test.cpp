#include "settings/recent_list.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace scrivane {
namespace {

TEST(Strextr, SplitsAtFirstSeparator) {
    struct Case {
        std::string st, ch, returned, left;
    };
    const std::vector<Case> cases = {
        {"a|b", "|", "a", "b"},
        {"ab", "|", "ab", ""},
        {"  ab  ", "|", "  ab  ", ""},  // not found: returned untrimmed
        {" a | b ", "|", "a", "b"},
        {"|a|b|", "|", "", "a|b|"},
        {"a|b|c", "|", "a", "b|c"},
        {"a||b", "||", "a", "b"},
        {"aXb", "x", "aXb", ""},  // letter case counts
        {"", "|", "", ""},
        {"ab", "", "ab", ""},  // an empty separator never matches, so loops end
    };
    for (const auto& c : cases) {
        std::string st = c.st;
        EXPECT_EQ(strextr(st, c.ch), c.returned) << "'" << c.st << "' at '" << c.ch << "'";
        EXPECT_EQ(st, c.left) << "'" << c.st << "' at '" << c.ch << "'";
    }
}

TEST(PathParts, FileofAndDirof) {
    struct Case {
        PathStyle style;
        std::string path, file, dir;
    };
    const std::vector<Case> cases = {
        {PathStyle::Windows, "C:\\Docs\\Sub\\x.txt", "x.txt", "c:\\docs\\sub"},
        {PathStyle::Windows, "C:\\Docs\\X.TXT", "x.txt", "c:\\docs"},
        {PathStyle::Windows, "x.txt", "x.txt", ""},
        {PathStyle::Windows, "C:\\a.txt", "a.txt", "c:"},
        {PathStyle::Windows, "  D:\\P Q\\R S.txt  ", "r s.txt", "d:\\p q"},
        {PathStyle::Windows, "/a/B.txt", "/a/b.txt", ""},
        // Case is kept where names are case-sensitive.
        {PathStyle::Posix, "/Docs/Sub/X.TXT", "X.TXT", "/Docs/Sub"},
        {PathStyle::Posix, "x.txt", "x.txt", ""},
        {PathStyle::Posix, "/a.txt", "a.txt", ""},
        {PathStyle::Posix, " /home/u/My File.txt ", "My File.txt", "/home/u"},
        {PathStyle::Posix, "/a/", "", "/a"},
        {PathStyle::Posix, "rel/dir/f", "f", "rel/dir"},
        {PathStyle::Posix, "C:\\Docs\\X.TXT", "C:\\Docs\\X.TXT", ""},
        {PathStyle::Posix, "", "", ""},
        {PathStyle::Posix, "   ", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileof(c.path, c.style), c.file) << c.path;
        EXPECT_EQ(dirof(c.path, c.style), c.dir) << c.path;
    }
    EXPECT_EQ(kNativePathStyle, PathStyle::Posix);
    EXPECT_EQ(fileof("/Docs/X.TXT"), "X.TXT");
}

TEST(SetRecent, ListOperations) {
    struct Case {
        const char* what;
        std::string start;
        std::vector<std::string> names;
        std::string list;
    };
    const std::vector<Case> cases = {
        {"first entry", "", {"/d/a.txt"}, "|/d/a.txt|"},
        {"newest first", "", {"/d/a.txt", "/d/b.txt"}, "|/d/b.txt|/d/a.txt|"},
        {"reopen moves to head", "", {"/a", "/b", "/a"}, "|/a|/b|"},
        {"same twice listed once", "", {"/a", "/a"}, "|/a|"},
        {"middle entry moves", "|/a|/b|/c|", {"/b"}, "|/b|/a|/c|"},
        {"last entry moves", "|/a|/b|/c|", {"/c"}, "|/c|/a|/b|"},
        {"case-different paths are two entries",
         "",
         {"/X/A.TXT", "/x/a.txt"},
         "|/x/a.txt|/X/A.TXT|"},
        {"a prefix is another entry", "", {"/d/ab", "/d/a"}, "|/d/a|/d/ab|"},
        {"a suffix is another entry", "", {"/d/ab", "d/ab"}, "|d/ab|/d/ab|"},
        {"blanks are part of the name", "", {"/a", " /a"}, "| /a|/a|"},
        {"hand-edited list keeps its first entry", "/a|/b|", {"/c"}, "|/c|/a|/b|"},
        {"list without closing bar", "|/a|/b", {"/c"}, "|/c|/a|/b"},
    };
    for (const auto& c : cases) {
        std::string list = c.start;
        for (const auto& name : c.names) EXPECT_TRUE(SetRecent(list, name)) << c.what;
        EXPECT_EQ(list, c.list) << c.what;
    }
}

TEST(SetRecent, NamesTheListCannotHoldLeaveItUntouched) {
    const std::vector<std::string> names = {
        "", "/dir/a|b.txt", "/dir/line\nbreak", "/dir/cr\rname", "/" + std::string(3000, 'x'),
    };
    for (const auto& name : names) {
        std::string list = "|/a|/b|";
        EXPECT_FALSE(SetRecent(list, name)) << name.size();
        EXPECT_EQ(list, "|/a|/b|");
    }
    std::string list = "|/a|";
    EXPECT_TRUE(SetRecent(list, "/" + std::string(2997, 'x')));  // key of exactly 3000
    EXPECT_EQ(list.size(), 3000u);
}

TEST(SetRecent, CutNeverLeavesPartOfAnEntry) {
    // Mixed lengths so the 3000-byte cut lands inside an entry most of the time.
    std::string list;
    std::vector<std::string> added;
    for (int i = 0; i < 200; ++i) {
        added.push_back("/p" + std::to_string(i) +
                        std::string(static_cast<std::size_t>(i * 7 % 61), 'q'));
        ASSERT_TRUE(SetRecent(list, added.back()));
        ASSERT_LE(list.size(), kRecentListLimit);
        ASSERT_EQ(list.front(), '|');
        ASSERT_EQ(list.back(), '|');
        std::string rest = list;
        std::size_t at = added.size();
        while (!rest.empty()) {
            const std::string entry = strextr(rest, "|");
            if (entry.empty()) continue;
            // Entries appear newest first, each a whole name that was added.
            ASSERT_GT(at, 0u);
            ASSERT_EQ(entry, added[--at]) << "after " << i;
        }
        // Only what cannot fit is dropped: the next older entry would pass the limit.
        if (at > 0) {
            ASSERT_GT(list.size() + added[at - 1].size() + 1, kRecentListLimit);
        }
    }
}

TEST(RecentMenuItems, CaptionsAndTags) {
    struct Case {
        const char* what;
        PathStyle style;
        std::string list;
        std::vector<RecentItem> items;
    };
    const std::vector<Case> cases = {
        {"empty list", PathStyle::Posix, "", {}},
        {"only bars", PathStyle::Posix, "||", {}},
        {"folder and file",
         PathStyle::Posix,
         "|/home/u/Docs/Notes.TXT|",
         {{"/home/u/Docs/Notes.TXT", "&1 Docs/Notes.TXT"}}},
        {"bare name", PathStyle::Posix, "|notes.txt|", {{"notes.txt", "&1 /notes.txt"}}},
        {"root", PathStyle::Posix, "|/a.txt|", {{"/a.txt", "&1 /a.txt"}}},
        {"ampersands shown as such",
         PathStyle::Posix,
         "|/x/R&D/a&b.txt|",
         {{"/x/R&D/a&b.txt", "&1 R&&D/a&&b.txt"}}},
        {"blank entries skipped, blanks trimmed",
         PathStyle::Posix,
         "| | /d/a |/d/b|",
         {{"/d/a", "&1 d/a"}, {"/d/b", "&2 d/b"}}},
        {"unterminated last entry",
         PathStyle::Posix,
         "|/d/a|/d/b ",
         {{"/d/a", "&1 d/a"}, {"/d/b", "&2 d/b"}}},
        {"case-different paths, two items",
         PathStyle::Windows,
         "|C:\\X\\A.TXT|c:\\x\\a.txt|",
         {{"C:\\X\\A.TXT", "&1 x\\a.txt"}, {"c:\\x\\a.txt", "&2 x\\a.txt"}}},
        {"drive root", PathStyle::Windows, "|C:\\a.txt|", {{"C:\\a.txt", "&1 c:\\a.txt"}}},
        {"no backslash", PathStyle::Windows, "|a.txt|", {{"a.txt", "&1 \\a.txt"}}},
    };
    for (const auto& c : cases) {
        std::string list = c.list;
        EXPECT_EQ(recentMenuItems(list, c.style), c.items) << c.what;
        EXPECT_EQ(list, c.list) << c.what;
    }
}

TEST(RecentMenuItems, ShowsTheTenNewest) {
    std::string list;
    for (int i = 1; i <= 12; ++i) SetRecent(list, "/d/f" + std::to_string(i));
    const std::string stored = list;
    const auto items = recentMenuItems(list);
    ASSERT_EQ(items.size(), 10u);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string file = "f" + std::to_string(12 - i);
        EXPECT_EQ(items[i].tag, "/d/" + file);
        EXPECT_EQ(items[i].caption, "&" + std::to_string(i + 1) + " d/" + file);
    }
    EXPECT_EQ(list, stored);  // the eleventh and twelfth stay in the list
}

TEST(RecentMenuItems, LongListLosesTextAfterItsLastBar) {
    struct Case {
        std::size_t length;
        std::string tail;
        bool trimmed;
    };
    const std::vector<Case> cases = {
        {998, "/tail", false},
        {999, "/tail", true},
        {1500, "/tail", true},
        {1500, "", false},
    };
    for (const auto& c : cases) {
        const std::string head = "|/a|";
        std::string list =
            head + std::string(c.length - head.size() - c.tail.size() - 1, 'x') + "|" + c.tail;
        ASSERT_EQ(list.size(), c.length);
        const std::string original = list;
        const auto items = recentMenuItems(list);
        EXPECT_EQ(list, c.trimmed ? original.substr(0, original.size() - c.tail.size()) : original)
            << c.length;
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items.back().tag == c.tail, !c.tail.empty() && !c.trimmed) << c.length;
    }
}

}  // namespace
}  // namespace scrivane
