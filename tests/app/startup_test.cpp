#include "app/startup.h"

#include <Qsci/qsciscintilla.h>

#include "app/menu_commands.h"
#include "app/opening.h"
#include "app/settings_store.h"
#include "app_fixture.h"
#include "settings/display_options.h"

namespace scrivane {
namespace {

using StartupTest = AppTest;

TEST_F(StartupTest, CommandLineOpensAtALineOrPositionOnce) {
    std::string body;
    for (int i = 1; i <= 30; ++i) body += "line " + std::to_string(i) + "\n";
    const std::string path = writeFile("notes.txt", body);
    const struct {
        std::vector<std::string> args;
        Pos selStart, selLength;
    } cases[] = {
        {{"notes.txt", "25"}, 9 * 8 + 15 * 9, 7},  // after nine 8-byte and fifteen 9-byte lines
        {{"notes.txt", "-p", "12"}, 12, 0},
        {{"notes.txt", "-p", "7"}, 6, 0},     // between CR and LF: before the break
        {{"notes.txt", "-p", "-5"}, 261, 0},  // refused: the caret stays at the end
        {{"notes.txt", "3.5"}, 3 * 8, 6},     // rounds to line 4
        {{path}, 0, 0},
    };
    for (const auto& c : cases) {
        RecordingView freshView;
        Workspace fresh{mergedoc, txt, services, freshView};
        fresh.doc.stored.set(mergedoc.Text());  // the last case's edit needs no saving
        fresh.arguments = c.args;
        formActivate(fresh);
        EXPECT_EQ(fresh.doc.filename, path);
        EXPECT_EQ(mergedoc.SelStart(), c.selStart) << c.args.back();
        EXPECT_EQ(mergedoc.SelLength(), c.selLength) << c.args.back();

        // Coming back to the window never opens the file again.
        mergedoc.SetSelStart(0);
        type("edit");
        formActivate(fresh);
        EXPECT_TRUE(services.unexpected.empty());
        EXPECT_EQ(mergedoc.Text().substr(0, 4), "edit");
    }
}

TEST_F(StartupTest, OtherEditorsFormsOpenAtALineAndColumn) {
    // In the surface: "one" at 0, "two" at 5, "h\xc3\xa9llo" (six bytes) at 10, "four" at 18.
    const std::string path = writeFile("notes.txt", "one\ntwo\nh\xc3\xa9llo\nfour\n");
    const std::string literal = writeFile("notes.txt:2", "a file of its own\n");
    const struct {
        std::vector<std::string> args;
        std::string opened;
        Pos selStart, selLength;
    } cases[] = {
        {{"notes.txt:3"}, path, 10, 6},
        {{"notes.txt:3:3"}, path, 13, 0},   // after "h" and the two bytes of one character
        {{"notes.txt:3:99"}, path, 16, 0},  // the end of that line
        {{"notes.txt:9:2"}, path, 19, 0},   // past the end: the last line with characters
        {{"+2", "notes.txt"}, path, 5, 3},
        {{"notes.txt:2"}, literal, 0, 0},
    };
    for (const auto& c : cases) {
        RecordingView freshView;
        Workspace fresh{mergedoc, txt, services, freshView};
        fresh.doc.stored.set(mergedoc.Text());  // the last case's edit needs no saving
        fresh.arguments = c.args;
        formActivate(fresh);
        EXPECT_EQ(fresh.doc.filename, c.opened) << c.args.front();
        EXPECT_EQ(mergedoc.SelStart(), c.selStart) << c.args.front();
        EXPECT_EQ(mergedoc.SelLength(), c.selLength) << c.args.front();
        EXPECT_TRUE(services.unexpected.empty());
    }
}

TEST_F(StartupTest, SettingsAndRecentFilesSurviveARestart) {
    const std::string path = writeFile("a.txt", "x");
    formLoad(ws);
    EXPECT_TRUE(ws.settings.wrap);
    optWrap_Click(ws);
    services.fontAnswers = {FontSpec{"DejaVu Sans Mono", 13.5, true, false}};
    mnuFont_Click(ws);
    openfile(ws, path);
    ASSERT_TRUE(formUnload(ws));

    services.currentDir = "/";
    ScintillaSurface mergedoc2;
    RecordingView view2;
    Workspace next{mergedoc2, txt, services, view2};
    formLoad(next);
    EXPECT_FALSE(next.settings.wrap);
    EXPECT_EQ(mergedoc2.Font().name, "DejaVu Sans Mono");
    EXPECT_EQ(mergedoc2.Font().size, 14);  // a fractional size comes back rounded
    EXPECT_TRUE(mergedoc2.Font().bold);
    ASSERT_EQ(view2.recent.size(), 1u);
    EXPECT_EQ(view2.recent[0].tag, path);
    // Without a command line the current directory is the newest file's.
    EXPECT_EQ(services.currentDir, dir());
    EXPECT_EQ(view2.caption, "Scrivane 1.2");
}

TEST_F(StartupTest, CorruptSettingsFallBackToDefaults) {
    std::filesystem::create_directories(dir() + "/config");
    const std::string bad[] = {std::string("\xff\x00garbage\x01", 10), "True\r\n", "",
                               "maybe\r\n\r\nhuge\r\n"};
    for (const std::string& content : bad) {
        writeFile("config/scrivane.ini", content);
        ScintillaSurface surface;
        RecordingView v;
        Workspace w{surface, txt, services, v};
        formLoad(w);
        EXPECT_TRUE(v.recent.empty());
        EXPECT_GT(surface.Font().size, 0);
    }
}

TEST_F(StartupTest, UnloadWritesSettingsEvenWhenCancelled) {
    type("unsaved");
    services.answers = {Answer::Cancel};
    EXPECT_FALSE(formUnload(ws));
    EXPECT_TRUE(std::filesystem::exists(dir() + "/config/scrivane.ini"));
    EXPECT_EQ(mergedoc.Text(), "unsaved");
}

TEST_F(StartupTest, NewStopsOnCancelAndOtherwiseStartsEmpty) {
    const std::string path = writeFile("a.txt", "text");
    openfile(ws, path);
    type("more ");

    services.answers = {Answer::Cancel};
    mnuNew_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "more text");
    EXPECT_EQ(ws.doc.filename, path);
    EXPECT_TRUE(ws.undo.canUndo());

    services.answers = {Answer::No};
    mnuNew_Click(ws);
    EXPECT_EQ(mergedoc.Text(), "");
    EXPECT_EQ(ws.doc.filename, "");
    EXPECT_FALSE(ws.doc.filetime.has_value());
    EXPECT_FALSE(ws.undo.canUndo());
    EXPECT_EQ(readFile(path), "text");

    // Unchanged: nothing is asked.
    mnuNew_Click(ws);
    EXPECT_TRUE(services.unexpected.empty());
    EXPECT_TRUE(services.answers.empty());
}

TEST_F(StartupTest, GotoBoxAndMenu) {
    mergedoc.SetText("one\r\ntwo\r\nthree");
    const struct {
        const char* box;
        Pos start, length;
    } cases[] = {{"2", 5, 3}, {"7", 10, 5}, {"0", 10, 5}, {"", 10, 5}, {"x", 10, 5}, {"1", 0, 3}};
    for (const auto& c : cases) {
        view.gotoText = c.box;
        cmdGoto_Click(ws);
        EXPECT_EQ(mergedoc.SelStart(), c.start) << c.box;
        EXPECT_EQ(mergedoc.SelLength(), c.length) << c.box;
    }
    mergedoc.SetSelStart(12);
    mnuGotoLine_Click(ws);
    EXPECT_EQ(view.gotoText, "3");
    EXPECT_TRUE(view.gotoBoxFocused);
}

TEST_F(StartupTest, WrapTextSwitchesTheMargin) {
    EXPECT_EQ(rightMarginFor(true), 3.0f);
    const bool before = ws.settings.wrap;
    optWrap_Click(ws);
    optWrap_Click(ws);
    EXPECT_EQ(ws.settings.wrap, before);
}

// Reading the settings (at start-up and again on New) applies the wrap state to the surface
// at once, whatever the surface showed before.
TEST_F(StartupTest, WrapStateReadFromTheSettingsTakesEffect) {
    for (const bool stored : {false, true}) {
        ws.settings.wrap = stored;
        saveSettings(ws);
        ws.settings.wrap = !stored;
        mergedoc.SetRightMargin(rightMarginFor(!stored));
        formLoad(ws);
        EXPECT_EQ(ws.settings.wrap, stored);
        EXPECT_EQ(mergedoc.editor()->wrapMode() != QsciScintilla::WrapNone, stored);
    }
}

TEST_F(StartupTest, PrintSendsThePlainTextOrSaysWhyNot) {
    const FontSpec font{"DejaVu Serif", 14, false, true};
    mergedoc.SetFont(font);
    mergedoc.SetContent(
        RichText{"ab\x06"
                 "cd",
                 {{2, kPlain, false}, {3, kDeletedRed, true}}});
    mnuPrint_Click(ws);
    EXPECT_EQ(services.printed, std::vector<std::string>{"ab\x06"
                                                         "cd"});
    EXPECT_EQ(services.printedFonts, std::vector<FontSpec>{font});
    services.printerError = "No printer is available.";
    mnuPrint_Click(ws);
    EXPECT_EQ(services.lastMessage(), "No printer is available.");
}

}  // namespace
}  // namespace scrivane
