#include "support/scripted_services.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace scrivane {
namespace {

namespace fs = std::filesystem;

TEST(ScriptedServices, WildcardMatch) {
    struct Case {
        std::string pattern, name;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"*", "", true},
        {"*", "abc", true},
        {"*.txt", "a.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "A.TXT", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"*a*", "bbb", false},
        {"**x", "x", true},
        {"", "", true},
        {"", "a", false},
        {"abc", "abc", true},
        {"ab", "abc", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " ~ " << c.name;
    }
}

TEST(ScriptedServices, MessageBoxesTakeQueuedAnswersThenCancel) {
    ScriptedServices s;
    s.expectAnswers({Answer::Yes, Answer::No});
    EXPECT_EQ(s.MessageBox("one", Buttons::YesNo, Icon::Question), Answer::Yes);
    EXPECT_EQ(s.MessageBox("two", Buttons::YesNoCancel, Icon::Warning), Answer::No);
    EXPECT_TRUE(s.allScriptUsed());
    EXPECT_EQ(s.MessageBox("three", Buttons::Ok, Icon::None), Answer::Cancel);
    const std::vector<ScriptedServices::Message> all = {
        {"one", Buttons::YesNo, Icon::Question},
        {"two", Buttons::YesNoCancel, Icon::Warning},
        {"three", Buttons::Ok, Icon::None},
    };
    EXPECT_EQ(s.messages, all);
    EXPECT_EQ(s.unexpected, std::vector<ScriptedServices::Message>{all[2]});
    EXPECT_EQ(s.lastMessage(), "three");
    EXPECT_FALSE(s.allScriptUsed());
}

TEST(ScriptedServices, DialogsAnswerFromTheirQueues) {
    ScriptedServices s;
    s.openNames = {"/a.txt"};
    s.saveNames = {"/b.txt"};
    s.inputs = {"12"};
    const FontSpec serif{"Serif", 12, false, false};
    s.fontAnswers = {serif, std::nullopt};
    EXPECT_FALSE(s.allScriptUsed());

    EXPECT_EQ(s.ShowOpen("/start/x"), "/a.txt");
    EXPECT_EQ(s.ShowOpen(""), "");
    EXPECT_EQ(s.ShowSave("/start/y"), "/b.txt");
    EXPECT_EQ(s.ShowSave("/start/z"), "");
    EXPECT_EQ(s.InputBox("Line?", "1"), "12");
    EXPECT_EQ(s.InputBox("Again?", ""), "");
    EXPECT_EQ(s.ShowFont(FontSpec{}), serif);
    EXPECT_EQ(s.ShowFont(serif), std::nullopt);
    EXPECT_EQ(s.ShowFont(serif), std::nullopt);

    EXPECT_EQ(s.openStarts, (std::vector<std::string>{"/start/x", ""}));
    EXPECT_EQ(s.saveStarts, (std::vector<std::string>{"/start/y", "/start/z"}));
    EXPECT_EQ(s.inputPrompts.size(), 2u);
    EXPECT_EQ(s.inputPrompts[0], (ScriptedServices::Input{"Line?", "1"}));
    EXPECT_EQ(s.fontStarts, (std::vector<FontSpec>{FontSpec{}, serif, serif}));
    EXPECT_TRUE(s.allScriptUsed());
}

TEST(ScriptedServices, FileSystemRelativeToItsCurrentDirectory) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string root = tmp.path().toStdString();
    fs::create_directory(root + "/sub");
    std::ofstream(root + "/sub/a.txt") << "x";
    std::ofstream(root + "/sub/.b.txt") << "x";

    ScriptedServices s;
    s.currentDir = root;
    EXPECT_EQ(s.resolve("sub/../sub/a.txt"), root + "/sub/a.txt");
    EXPECT_EQ(s.resolve("/abs/x/"), "/abs/x");
    EXPECT_TRUE(s.SetCurrentDir("sub"));
    EXPECT_EQ(s.CurrentDir(), root + "/sub");
    EXPECT_FALSE(s.SetCurrentDir(root + "/absent"));
    EXPECT_EQ(s.CurrentDir(), root + "/sub");
    EXPECT_EQ(s.currentDirRequests, (std::vector<std::string>{"sub", root + "/absent"}));

    EXPECT_EQ(s.FirstMatch(".", "*.txt"), "a.txt");  // the hidden one is not listed
    EXPECT_EQ(s.FirstMatch(root, "*.txt"), "");      // a directory is not a file
    EXPECT_TRUE(s.FileModified("a.txt").has_value());
    EXPECT_FALSE(s.FileModified("absent.txt").has_value());
    EXPECT_TRUE(s.MakeDir("made/deeper"));
    EXPECT_TRUE(fs::is_directory(root + "/sub/made/deeper"));
}

}  // namespace
}  // namespace scrivane
