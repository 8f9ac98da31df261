#include <gtest/gtest.h>

#include <algorithm>

#include "app/command_line.h"

namespace scrivane {
namespace {

struct Case {
    std::vector<std::string> args;
    CommandLineRequest expected;
};

const FileExists nothingExists = [](const std::string&) { return false; };

TEST(CommandLine, NoArgumentsAsksForNothing) {
    EXPECT_FALSE(parseCommandLine({}, nothingExists).has_value());
    EXPECT_FALSE(parseCommandLine({""}, nothingExists).has_value());
}

TEST(CommandLine, SplitsNameFromLineOrPosition) {
    const std::vector<Case> cases = {
        {{"notes.txt", "25"}, {"notes.txt", GotoMode::Line, "25", 25}},
        {{"notes.txt", "-p", "1200"}, {"notes.txt", GotoMode::Char, "1200", 1200}},
        // The " -p" goes, leaving a trailing blank: the empty tail reads as 0, so the whole
        // string is the name.
        {{"notes.txt", "1200", "-p"}, {"notes.txt 1200 ", GotoMode::None, "", 0}},
        // Upper-case -P is not the switch: 12 is a line number of the file "notes.txt -P".
        {{"notes.txt", "-P", "12"}, {"notes.txt -P", GotoMode::Line, "12", 12}},
        {{"notes.txt", "0"}, {"notes.txt 0", GotoMode::None, "", 0}},
        {{"notes.txt", "abc"}, {"notes.txt abc", GotoMode::None, "", 0}},
        {{"/old", "2/notes.txt"}, {"/old", GotoMode::Line, "2/notes.txt", 2}},
        {{"notes.txt", "3.5"}, {"notes.txt", GotoMode::Line, "3.5", 4}},
        {{"notes.txt", "2.5"}, {"notes.txt", GotoMode::Line, "2.5", 2}},
        {{"notes.txt", "-3"}, {"notes.txt", GotoMode::Line, "-3", -3}},
        {{"  notes.txt ", "7"}, {"notes.txt", GotoMode::Line, "7", 7}},
        {{"\"my", "notes.txt\""}, {"\"my notes.txt\"", GotoMode::None, "", 0}},
    };
    for (const Case& c : cases) {
        const auto got = parseCommandLine(c.args, nothingExists);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, c.expected) << c.args.front() << " ... " << c.args.back();
    }
}

TEST(CommandLine, SingleArgumentIsTheWholeName) {
    // The shell already said where the name ends: blanks, numbers and -p stay in it.
    for (const std::string name : {"/My Documents/notes.txt", "old 2", "x -p 5", "notes.txt 25"}) {
        const auto got = parseCommandLine({name}, nothingExists);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->fileName, name);
        EXPECT_EQ(got->mode, GotoMode::None);
    }
}

TEST(CommandLine, OtherEditorsFormsApplyOnlyWhenNoFileHasTheLiteralName) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> existing;
        CommandLineRequest expected;
    } cases[] = {
        {{"+25", "notes.txt"}, {}, {"notes.txt", GotoMode::Line, "25", 25, 0}},
        {{"+25", "my", "notes.txt"}, {}, {"my notes.txt", GotoMode::Line, "25", 25, 0}},
        {{"+25", "notes.txt"}, {"+25 notes.txt"}, {"+25 notes.txt", GotoMode::None, "", 0, 0}},
        {{"+0", "notes.txt"}, {}, {"+0 notes.txt", GotoMode::None, "", 0, 0}},
        {{"+2x", "notes.txt"}, {}, {"+2x notes.txt", GotoMode::None, "", 0, 0}},
        {{"+25"}, {}, {"+25", GotoMode::None, "", 0, 0}},
        {{"notes.txt:25"}, {}, {"notes.txt", GotoMode::Line, "25", 25, 0}},
        {{"notes.txt:25:7"}, {}, {"notes.txt", GotoMode::Line, "25", 25, 7}},
        {{"my", "notes.txt:25:7"}, {}, {"my notes.txt", GotoMode::Line, "25", 25, 7}},
        {{"a:b:25"}, {}, {"a:b", GotoMode::Line, "25", 25, 0}},
        {{"notes.txt:25"}, {"notes.txt:25"}, {"notes.txt:25", GotoMode::None, "", 0, 0}},
        {{"notes.txt:25:7"}, {"notes.txt:25:7"}, {"notes.txt:25:7", GotoMode::None, "", 0, 0}},
        // Not numbers the forms take: the name stays whole.
        {{"notes.txt:"}, {}, {"notes.txt:", GotoMode::None, "", 0, 0}},
        {{":25"}, {}, {":25", GotoMode::None, "", 0, 0}},
        {{"notes.txt:0"}, {}, {"notes.txt:0", GotoMode::None, "", 0, 0}},
        {{"notes.txt:-3"}, {}, {"notes.txt:-3", GotoMode::None, "", 0, 0}},
        {{"notes.txt:2.5"}, {}, {"notes.txt:2.5", GotoMode::None, "", 0, 0}},
        {{"notes.txt:99999999999999999999"},
         {},
         {"notes.txt:99999999999999999999", GotoMode::None, "", 0, 0}},
        {{"host:1/notes.txt"}, {}, {"host:1/notes.txt", GotoMode::None, "", 0, 0}},
        // The rules that worked before come first, whatever exists.
        {{"notes.txt", "25"}, {"notes.txt 25"}, {"notes.txt", GotoMode::Line, "25", 25, 0}},
        {{"notes.txt:5", "-p", "3"}, {}, {"notes.txt:5", GotoMode::Char, "3", 3, 0}},
        {{"notes.txt:5", "-p"}, {}, {"notes.txt:5 ", GotoMode::None, "", 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> asked;
        const FileExists exists = [&](const std::string& name) {
            asked.push_back(name);
            return std::find(c.existing.begin(), c.existing.end(), name) != c.existing.end();
        };
        const auto got = parseCommandLine(c.args, exists);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, c.expected) << c.args.front() << " ... " << c.args.back();
        // Only the command line as it stands is looked up, never a guessed part of it.
        std::string joined = c.args.front();
        for (std::size_t i = 1; i < c.args.size(); ++i) joined += " " + c.args[i];
        EXPECT_LE(asked.size(), 1u);
        for (const std::string& name : asked) EXPECT_EQ(name, joined);
    }
}

TEST(CommandLine, ColumnOffsetCountsCharactersAndStopsAtTheLineEnd) {
    const struct {
        std::string line;
        Pos column;
        bool utf8;
        Pos offset;
    } cases[] = {
        {"hello", 1, true, 0},         {"hello", 3, true, 2},        {"hello", 6, true, 5},
        {"hello", 99, true, 5},        {"hello", 0, true, 0},        {"", 4, true, 0},
        {"h\xc3\xa9llo", 3, true, 3},   // é is one character of two bytes
        {"h\xc3\xa9llo", 3, false, 2},  // ... or two Latin-1 characters
        {"\tx", 2, true, 1},           {"\xe2\x82\xac", 2, true, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(columnOffset(c.line, c.column, c.utf8), c.offset)
            << c.line << " column " << c.column;
    }
}

TEST(CommandLine, HelpAndVersionOnlyAsTheFirstArgument) {
    const struct {
        std::vector<std::string> args;
        InfoRequest expected;
    } cases[] = {
        {{"--help"}, InfoRequest::Help},
        {{"-h"}, InfoRequest::Help},
        {{"--version"}, InfoRequest::Version},
        {{"--help", "notes.txt"}, InfoRequest::Help},
        {{"notes.txt", "--help"}, InfoRequest::None},
        {{"./--help"}, InfoRequest::None},
        {{"--helpme"}, InfoRequest::None},
        {{}, InfoRequest::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(infoRequest(c.args), c.expected) << (c.args.empty() ? "" : c.args.front());
    }
}

}  // namespace
}  // namespace scrivane

namespace scrivane {
namespace {

TEST(CommandLine, CompareTakesNewAsTheCommandLineWouldAndOldLast) {
    const struct {
        std::vector<std::string> args;
        std::optional<CompareRequest> expected;
        InfoRequest info;
    } cases[] = {
        {{"-c", "+3", "my new.txt", "old.txt"},
         CompareRequest{{"+3", "my new.txt"}, "old.txt"},
         InfoRequest::None},
        // Too few files: told at once, with no window.
        {{"--compare", "new.txt"}, std::nullopt, InfoRequest::CompareUsage},
        // Only as the first argument: otherwise a file name like any other.
        {{"new.txt", "--compare", "old.txt"}, std::nullopt, InfoRequest::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareRequest(c.args), c.expected) << c.args.back();
        EXPECT_EQ(infoRequest(c.args), c.info) << c.args.back();
    }
}

}  // namespace
}  // namespace scrivane
