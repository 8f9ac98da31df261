#include "app/opening.h"
#include "app/caption.h"
#include "app/saving.h"
#include "app_fixture.h"

namespace scrivane {
namespace {

using OpenTest = AppTest;

// Each file opens with CR LF line breaks and, saved unchanged, comes back byte for byte.
TEST_F(OpenTest, OpensNormalisedAndSavesBackTheFilesOwnBytes) {
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"lf", "a\nb\nc", "a\r\nb\r\nc"},
        {"crlf", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"cr", "abc\rdef", "abc\r\ndef"},
        {"none", "one line", "one line"},
        {"empty", "", ""},
        {"leading-lf", "\nx", "\r\nx"},
        {"binary", std::string("\x00\x01\xff\xfe\x06 z\x00\x07", 9),
         std::string("\x00\x01\xff\xfe\x06 z\x00\x07", 9)},
        {"utf8", "gr\xc3\xbc\xc3\x9f\n\xe2\x82\xac\n", "gr\xc3\xbc\xc3\x9f\r\n\xe2\x82\xac\r\n"},
        {"latin1", "caf\xe9\n", "caf\xe9\r\n"},
    };
    for (const auto& c : cases) {
        const std::string path = writeFile(c.name, c.bytes);
        openfile(ws, path);
        EXPECT_EQ(mergedoc.Text(), c.shown) << c.name;
        EXPECT_EQ(mergedoc.Tag(), c.shown) << c.name;
        EXPECT_EQ(ws.doc.filename, path);
        EXPECT_TRUE(services.messages.empty()) << c.name;

        std::filesystem::remove(path);
        ASSERT_TRUE(savefile(ws, path)) << c.name;
        EXPECT_EQ(readFile(path), c.bytes) << c.name;
    }
}

TEST_F(OpenTest, MixedLineEndsAreSavedAsTheyWere) {
    const std::string path = writeFile("mixed", "a\r\nb\nc\rd");
    openfile(ws, path);
    EXPECT_EQ(mergedoc.Text(), "a\r\nb\r\nc\r\nd");
    ASSERT_TRUE(savefile(ws, path));
    EXPECT_EQ(readFile(path), "a\r\nb\nc\rd");
}

TEST_F(OpenTest, FailedOpenReportsAndKeepsTheTextUnnamed) {
    const std::string good = writeFile("good.txt", "kept");
    std::filesystem::create_directory(dir() + "/folder");
    const struct {
        std::string name;
        std::string message;
    } cases[] = {
        {dir() + "/missing.txt", "No such file or directory opening " + dir() + "/missing.txt"},
        {dir() + "/folder", "Is a directory opening " + dir() + "/folder"},
        {dir() + "/nomatch*.zz", "Is a directory opening " + dir() + "/"},
        {"\"quoted.txt\"", "No such file or directory opening " + dir() + "/\"quoted.txt\""},
    };
    for (const auto& c : cases) {
        openfile(ws, good);
        services.messages.clear();
        openfile(ws, c.name);
        ASSERT_EQ(services.messages.size(), 1u) << c.name;
        EXPECT_EQ(services.messages[0].text, c.message);
        EXPECT_EQ(services.messages[0].buttons, Buttons::Ok);
        EXPECT_EQ(services.messages[0].icon, Icon::None);
        EXPECT_EQ(ws.doc.filename, "");
        EXPECT_EQ(mergedoc.Text(), "kept");
        EXPECT_FALSE(services.busy);
    }
}

TEST_F(OpenTest, RelativeNamesAndPatternsUseTheCurrentDirectory) {
    writeFile("notes.txt", "n");
    std::filesystem::create_directory(dir() + "/Sub");
    writeFile("Sub/Report.TXT", "r");
    services.currentDir = dir();

    openfile(ws, "notes.txt");
    EXPECT_EQ(ws.doc.filename, dir() + "/notes.txt");
    openfile(ws, "Sub/Report.TXT");  // letter case is kept
    EXPECT_EQ(ws.doc.filename, dir() + "/Sub/Report.TXT");
    EXPECT_EQ(mergedoc.Text(), "r");
    openfile(ws, dir() + "/Sub/*.TXT");
    EXPECT_EQ(ws.doc.filename, dir() + "/Sub/Report.TXT");
    // One file, one name: "." and ".." steps and doubled separators go.
    for (const std::string name : {"./notes.txt", "Sub/../notes.txt", ".//notes.txt"}) {
        openfile(ws, name);
        EXPECT_EQ(ws.doc.filename, dir() + "/notes.txt") << name;
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OpenTest, SavePromptGuardsAModifiedDocument) {
    const std::string a = writeFile("a.txt", "alpha");
    const std::string b = writeFile("b.txt", "beta");
    const struct {
        bool named;
        Answer answer;
        bool opened;
        std::string prompt;
    } cases[] = {
        {true, Answer::Cancel, false,
         "You have changed " + a + ".\n\rDo you want to save your modifications?"},
        {true, Answer::No, true,
         "You have changed " + a + ".\n\rDo you want to save your modifications?"},
        {true, Answer::Yes, true,
         "You have changed " + a + ".\n\rDo you want to save your modifications?"},
        {false, Answer::Cancel, false, "Do you want to save your modifications?"},
        // Yes on an unnamed document asks for a name; cancelling that stops the open.
        {false, Answer::Yes, false, "Do you want to save your modifications?"},
    };
    for (const auto& c : cases) {
        forgetChanges();
        writeFile("a.txt", "alpha");
        openfile(ws, a);
        if (!c.named) ws.doc.filename.clear();
        mergedoc.SetSelStart(5);
        type("!");
        services.messages.clear();
        services.answers = {c.answer};
        openfile(ws, b);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, c.prompt);
        EXPECT_EQ(services.messages[0].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(services.messages[0].icon, Icon::Question);
        EXPECT_EQ(mergedoc.Text(), c.opened ? "beta" : "alpha!");
        if (c.named && c.answer == Answer::Yes) {
            EXPECT_EQ(readFile(a), "alpha!");
        }
    }
}

TEST_F(OpenTest, UnchangedDocumentIsReplacedWithoutAsking) {
    openfile(ws, writeFile("a.txt", "one"));
    openfile(ws, writeFile("b.txt", "two"));
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(mergedoc.Text(), "two");
}

TEST_F(OpenTest, OpeningRecordsTheFileAndShowsItUnmodified) {
    const std::string path = writeFile("notes.txt", "l1\nl2\nl3");
    openfile(ws, path);
    EXPECT_EQ(ws.doc.lastaction, "opened");
    EXPECT_EQ(ws.doc.actiontime, services.now);
    EXPECT_TRUE(ws.doc.filetime.has_value());
    EXPECT_EQ(ws.doc.dialogFileName, path);
    EXPECT_TRUE(ws.undo.canUndo());
    ASSERT_FALSE(view.recent.empty());
    EXPECT_EQ(view.recent[0].tag, path);
    EXPECT_GT(view.timerArmed, 0);
    // The recent list is saved at once.
    EXPECT_NE(readFile(dir() + "/config/scrivane.ini").find(path), std::string::npos);

    setcaption(ws);
    EXPECT_EQ(view.caption, "Scrivane ver. 1.2 - " + path + " (line 1/3 unmodified)");
}

}  // namespace
}  // namespace scrivane
