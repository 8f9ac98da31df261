#include <gtest/gtest.h>

#include "app/startup.h"
#include "app_fixture.h"

namespace scrivane {
namespace {

using CompareStartTest = AppTest;

// scrivane --compare NEW OLD: NEW opens, compared with OLD as Compare to... compares; the
// place the command line asks for keeps its text, otherwise the caret is at the first change.
TEST_F(CompareStartTest, OpensNewAndComparesItWithOld) {
    // NEW lacks OLD's second line. In the surface: "alpha beta gamma delta" (0-21), the
    // marker (22), the struck CR LF and "0123456789ABCDEF" (23-40), CR LF, then "epsilon zeta
    // eta theta" (43-64).
    writeFile("new.txt", "alpha beta gamma delta\nepsilon zeta eta theta\n");
    writeFile("old.txt", "alpha beta gamma delta\n0123456789ABCDEF\nepsilon zeta eta theta\n");
    const std::string missing = dir() + "/missing.txt";
    const struct {
        std::vector<std::string> args;
        Pos selStart, selLength;
        bool compared;
        std::vector<std::string> messages;
    } cases[] = {
        {{"--compare", "new.txt", "old.txt"}, 23, 0, true, {}},
        // Line 2 of NEW: selected where it now stands, after the struck line.
        {{"-c", "new.txt:2", "old.txt"}, 43, 22, true, {}},
        {{"-c", "+2", "new.txt", "old.txt"}, 43, 22, true, {}},
        {{"-c", "new.txt:2:3", "old.txt"}, 45, 0, true, {}},
        {{"-c", "new.txt", "-p", "24", "old.txt"}, 43, 0, true, {}},
        // OLD cannot be read: told as Compare to tells it; NEW stays open, unmarked.
        {{"-c", "new.txt", "missing.txt"},
         0,
         0,
         false,
         {"No such file or directory opening " + missing}},
        // NEW cannot be opened: that is told, and nothing is compared.
        {{"-c", "missing.txt", "old.txt"},
         0,
         0,
         false,
         {"No such file or directory opening " + missing}},
    };
    for (const auto& c : cases) {
        mergedoc.SetText("");
        RecordingView freshView;
        Workspace fresh{mergedoc, txt, services, freshView};
        fresh.arguments = c.args;
        services.messages.clear();
        formActivate(fresh);
        const std::string name = c.args[1];
        EXPECT_EQ(fresh.trackChanges, c.compared) << name;
        EXPECT_EQ(!mergedoc.Runs().empty(), c.compared) << name;
        EXPECT_EQ(freshView.statusLabel, c.compared ? "1 difference was found." : "") << name;
        EXPECT_EQ(mergedoc.SelStart(), c.selStart) << name;
        EXPECT_EQ(mergedoc.SelLength(), c.selLength) << name;
        std::vector<std::string> texts;
        for (const auto& m : services.messages) texts.push_back(m.text);
        EXPECT_EQ(texts, c.messages) << name;
    }
}

}  // namespace
}  // namespace scrivane
