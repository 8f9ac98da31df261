#include <gtest/gtest.h>

#include "app/command_line.h"

namespace scrivane {
namespace {

struct Case {
    std::vector<std::string> args;
    CommandLineRequest expected;
};

TEST(CommandLine, NoArgumentsAsksForNothing) {
    EXPECT_FALSE(parseCommandLine({}).has_value());
    EXPECT_FALSE(parseCommandLine({""}).has_value());
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
        const auto got = parseCommandLine(c.args);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, c.expected) << c.args.front() << " ... " << c.args.back();
    }
}

TEST(CommandLine, SingleArgumentIsTheWholeName) {
    // The shell already said where the name ends: blanks, numbers and -p stay in it.
    for (const std::string name : {"/My Documents/notes.txt", "old 2", "x -p 5", "notes.txt 25"}) {
        const auto got = parseCommandLine({name});
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->fileName, name);
        EXPECT_EQ(got->mode, GotoMode::None);
    }
}

}  // namespace
}  // namespace scrivane
