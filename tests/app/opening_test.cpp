#include "app/opening.h"

#include <algorithm>
#include <optional>

#include "app/caption.h"
#include "app/saving.h"
#include "app_fixture.h"
#include "tracking/track_changes.h"

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
        EXPECT_EQ(ws.doc.stored.version().copy(), c.shown) << c.name;
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

// A failed open changes nothing of the document: its name, file time, stored text, line ends,
// marking and mode stay, so the caption and the next save still mean the file it came from.
TEST_F(OpenTest, AFailedOpenLeavesTheDocumentAsItWas) {
    const std::string good = writeFile("good.txt", "kept\rline\r");
    std::filesystem::create_directory(dir() + "/folder");
    const std::string fifo = dir() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string locked = writeFile("locked.txt", "secret");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    struct Case {
        std::string name;
        std::string message;
    };
    std::vector<Case> cases = {
        {dir() + "/missing.txt", "No such file or directory opening " + dir() + "/missing.txt"},
        {dir() + "/folder", "Is a directory opening " + dir() + "/folder"},
        {fifo, "Not a regular file opening " + fifo},
        {dir() + "/nomatch*.zz", "Is a directory opening " + dir() + "/"},
        {"\"quoted.txt\"", "No such file or directory opening " + dir() + "/\"quoted.txt\""},
    };
    if (::geteuid() != 0) cases.push_back({locked, "Permission denied opening " + locked});
    const TimePoint fileTime = localTime(2026, 12, 1, 8, 0);
    for (const auto& c : cases) {
        if (ws.trackChanges) mnuTrackChanges_Click(ws);
        forgetChanges();
        setModified(good, fileTime);
        openfile(ws, good);
        mergedoc.SetSelStart(4);
        type("!");
        mnuTrackChanges_Click(ws);  // modified, tracked and marked
        const auto filetime = ws.doc.filetime;
        const TimePoint actiontime = ws.doc.actiontime;
        const RichText content = mergedoc.Content();
        const std::string tag = ws.doc.stored.version().copy();
        const std::string recent = ws.settings.recentList;
        const int undoslot = ws.undo.undoslot;

        services.advanceClock(std::chrono::minutes(5));
        services.messages.clear();
        services.answers = {Answer::No};  // the save prompt
        openfile(ws, c.name);
        ASSERT_EQ(services.messages.size(), 2u) << c.name;
        EXPECT_EQ(services.messages[1],
                  (ScriptedServices::Message{c.message, Buttons::Ok, Icon::None}));
        EXPECT_EQ(ws.doc.filename, good) << c.name;
        EXPECT_EQ(ws.doc.filetime, filetime) << c.name;
        EXPECT_EQ(ws.doc.actiontime, actiontime) << c.name;
        EXPECT_EQ(ws.doc.lastaction, "opened") << c.name;
        EXPECT_EQ(ws.doc.lineEnds, LineEnds::Cr) << c.name;
        EXPECT_EQ(ws.doc.dialogFileName, good) << c.name;
        EXPECT_EQ(mergedoc.Content(), content) << c.name;
        EXPECT_EQ(ws.doc.stored.version().copy(), tag) << c.name;
        EXPECT_TRUE(ws.trackChanges) << c.name;
        EXPECT_EQ(ws.undo.undoslot, undoslot) << c.name;
        EXPECT_EQ(ws.settings.recentList, recent) << c.name;
        EXPECT_FALSE(services.busy);
    }
    // The next save writes the file the document came from, in its own line ends.
    ASSERT_TRUE(savefile(ws, ws.doc.filename));
    EXPECT_EQ(readFile(good), "kept!\rline\r");
}

// Opening stopped before it changed anything, by too little memory or by Escape at any step:
// the document, its name, its stored text and its undo are as they were.
TEST_F(OpenTest, RefusedOrCancelledOpensLeaveTheDocumentAsItWas) {
    const std::string good = writeFile("good.txt", "kept\nline\n");
    // Handed over in two pieces.
    // CR LF lines: widening lone breaks in place searches backwards with memrchr, which
    // AddressSanitizer checks over everything before the point searched, line after line.
    std::string lines;
    while (lines.size() < (std::size_t{20} << 20))
        lines += "a line of a file that takes more than one piece\r\n";
    const std::string big = writeFile("big.txt", lines);
    struct Case {
        const char* name;
        std::optional<std::uint64_t> memory;
        int cancelAt;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"too little memory", std::uint64_t{100} << 20, -1,
         "Not enough memory (about 242 MB needed, 100 MB available) opening " + big},
        {"Escape while reading", std::nullopt, 0, ""},
        {"Escape as the first piece is handed over", std::nullopt, 1, ""},
        {"Escape at the last piece handed over", std::nullopt, 2, ""},
    };
    for (const Case& c : cases) {
        services.memoryAvailable.reset();
        services.cancelAtProgress = -1;
        openfile(ws, good);
        mergedoc.SetSelStart(4);
        type("!");
        forgetChanges();
        const RichText content = mergedoc.Content();
        const std::string stored = ws.doc.stored.version().copy();
        const int ends = services.progressEnds;
        services.messages.clear();
        services.progress.clear();
        services.memoryAvailable = c.memory;
        services.cancelAtProgress = c.cancelAt;
        openfile(ws, big);
        EXPECT_EQ(mergedoc.Content(), content) << c.name;
        EXPECT_EQ(ws.doc.filename, good) << c.name;
        EXPECT_EQ(ws.doc.stored.version().copy(), stored) << c.name;
        EXPECT_FALSE(mergedoc.ReadOnly()) << c.name;
        EXPECT_EQ(services.lastMessage(), c.message) << c.name;
        EXPECT_EQ(services.progressEnds, ends + (c.memory ? 0 : 1)) << c.name;
        EXPECT_TRUE(std::is_sorted(services.progress.begin(), services.progress.end())) << c.name;
    }
    // Nothing in the way: the file opens, its progress told up to the whole.
    services.memoryAvailable.reset();
    services.cancelAtProgress = -1;
    services.progress.clear();
    openfile(ws, big);
    EXPECT_EQ(mergedoc.Text(), lines);
    ASSERT_FALSE(services.progress.empty());
    EXPECT_DOUBLE_EQ(services.progress.back(), 1.0);
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
