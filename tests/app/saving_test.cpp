#include <unistd.h>

#include "app/opening.h"
#include "app/saving.h"
#include "app_fixture.h"
#include "tracking/modified_check.h"

namespace scrivane {
namespace {

class SaveTest : public AppTest {
  protected:
    // A file last modified at 9:00, opened at 9:05.
    std::string openAtNine(const std::string& bytes) {
        const std::string path = writeFile("doc.txt", bytes);
        setModified(path, localTime(2026, 12, 8, 9, 0));
        services.now = localTime(2026, 12, 8, 9, 5);
        openfile(ws, path);
        return path;
    }
};

TEST_F(SaveTest, WarnsWhenTheFileChangedOnDisk) {
    const std::string expected =
        "The file " + dir() +
        "/doc.txt\r has been modified since it was opened by this program at "
        "9:05 AM. \r(It was modified at 9:40 AM.)\rDo you still want to overwrite that modified "
        "file with THIS information?";
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        forgetChanges();
        const std::string path = openAtNine("mine\n");
        mergedoc.SetSelStart(4);
        type(" edited");
        writeFile("doc.txt", "theirs\n");
        setModified(path, localTime(2026, 12, 8, 9, 40));
        services.messages.clear();
        services.answers = {answer};

        EXPECT_EQ(savefile(ws, path), answer == Answer::Yes);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, expected);
        EXPECT_EQ(services.messages[0].buttons, Buttons::YesNoDefaultNo);
        EXPECT_EQ(services.messages[0].icon, Icon::None);
        EXPECT_EQ(readFile(path), answer == Answer::Yes ? "mine edited\n" : "theirs\n");
    }
}

TEST_F(SaveTest, NoWarningWhenOnlyTheTimeOrTheLineEndsChanged) {
    for (const std::string other : {"same\ntext\n", "same\r\ntext\r\n"}) {
        const std::string path = openAtNine("same\ntext\n");
        writeFile("doc.txt", other);
        setModified(path, localTime(2026, 12, 8, 9, 40));
        services.messages.clear();
        EXPECT_TRUE(savefile(ws, path));
        EXPECT_TRUE(services.messages.empty());
        EXPECT_EQ(readFile(path), "same\ntext\n");
    }
}

// While the document was edited, the file on disk was touched or rewritten by another program:
// only content that is neither the text as opened nor the document's is worth a warning.
TEST_F(SaveTest, WarnsOnlyWhenTheFileHoldsSomethingElse) {
    const struct {
        const char* onDisk;
        bool warns;
    } cases[] = {
        {"mine\n", false},         // touched only
        {"mine edited\n", false},  // another program wrote what the document holds
        {"theirs\n", true},
    };
    for (const auto& c : cases) {
        forgetChanges();
        const std::string path = openAtNine("mine\n");
        mergedoc.SetSelStart(4);
        type(" edited");
        writeFile("doc.txt", c.onDisk);
        setModified(path, localTime(2026, 12, 8, 9, 40));
        services.messages.clear();
        services.answers = {Answer::No};
        EXPECT_EQ(savefile(ws, path), !c.warns) << c.onDisk;
        EXPECT_EQ(services.messages.size(), c.warns ? 1u : 0u) << c.onDisk;
    }
}

// The time kept after a save is the written file's own, not our clock: on a share whose clock
// runs behind ours, a change made there just after our save still warns.
TEST_F(SaveTest, KeepsTheWrittenFilesOwnTime) {
    const std::string path = openAtNine("x");
    type("y");
    services.now = localTime(2027, 1, 1, 0, 0);  // our clock is ahead
    ASSERT_TRUE(savefile(ws, path));
    EXPECT_EQ(ws.doc.filetime, services.FileModified(path));
    writeFile("doc.txt", "changed by another user\n");
    setModified(path, *ws.doc.filetime + std::chrono::seconds(2));
    type("z");
    services.answers = {Answer::No};
    EXPECT_FALSE(savefile(ws, path));
    EXPECT_EQ(services.messages.size(), 1u);
}

TEST_F(SaveTest, SavingTwiceInARowDoesNotWarn) {
    const std::string path = openAtNine("x");
    type("y");
    services.now = localTime(2026, 12, 8, 9, 10);
    ASSERT_TRUE(savefile(ws, path));
    EXPECT_EQ(ws.doc.lastaction, "last saved");
    EXPECT_TRUE(isUnchanged(mergedoc, ws.doc.stored));
    type("z");
    ASSERT_TRUE(savefile(ws, path));
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(readFile(path), "yzx");
}

TEST_F(SaveTest, AFailedSaveKeepsTheDocumentAndTheOldFile) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    const std::string path = openAtNine("old content\n");
    type("new ");
    const struct {
        std::string target;
        std::string message;
    } cases[] = {
        {dir() + "/no/such/dir/f.txt",
         "No such file or directory opening " + dir() + "/no/such/dir/f.txt"},
        {dir(), "Is a directory opening " + dir()},
        // A full disk: the write itself fails.
        {"/dev/full", "No space left on device opening /dev/full"},
    };
    for (const auto& c : cases) {
        services.messages.clear();
        EXPECT_FALSE(savefile(ws, c.target)) << c.target;
        ASSERT_EQ(services.messages.size(), 1u) << c.target;
        EXPECT_EQ(services.messages[0].text, c.message);
        EXPECT_EQ(ws.doc.filename, path);
        EXPECT_EQ(mergedoc.Text(), "new old content\r\n");
        EXPECT_FALSE(isUnchanged(mergedoc, ws.doc.stored));
        EXPECT_EQ(readFile(path), "old content\n");
    }
}

TEST_F(SaveTest, ReadOnlyFileIsReportedAndKept) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
    const std::string path = openAtNine("locked");
    type("x");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(savefile(ws, path));
    EXPECT_EQ(services.lastMessage(), "Permission denied opening " + path);
    EXPECT_EQ(readFile(path), "locked");
}

TEST_F(SaveTest, KeepsLinksAndPermissionsAndEndsWhereTheDocumentEnds) {
    const std::string path = openAtNine("a much longer old text\n");
    ::chmod(path.c_str(), 0640);
    const std::string link = dir() + "/link.txt";
    std::filesystem::create_symlink(path, link);
    mergedoc.SetText("short");
    ASSERT_TRUE(savefile(ws, link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(path), "short");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SaveTest, SaveAsAsksForANameAndTakesIt) {
    mergedoc.SetText("fresh");
    // Cancelled dialog: nothing written, nothing said.
    EXPECT_FALSE(savefile(ws, ""));
    EXPECT_EQ(services.saveStarts, std::vector<std::string>{""});

    const std::string target = dir() + "/new.txt";
    services.saveNames = {target};
    EXPECT_TRUE(savefile(ws, ""));
    EXPECT_EQ(ws.doc.filename, target);
    EXPECT_EQ(readFile(target), "fresh");
    ASSERT_FALSE(view.recent.empty());
    EXPECT_EQ(view.recent[0].tag, target);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(SaveTest, StruckTextIsNotSavedAndTrackingEnds) {
    const std::string path = openAtNine("keep gone end");
    RichText marked{"keep \x06gone end",
                    {{5, kPlain, false}, {5, kDeletedRed, true}, {4, kPlain, false}}};
    mergedoc.SetContent(marked);
    ws.trackChanges = true;
    mergedoc.SetSelStart(14);
    type("!");
    ASSERT_TRUE(savefile(ws, path));
    EXPECT_EQ(readFile(path), "keep  end!");
    EXPECT_FALSE(ws.trackChanges);
    EXPECT_FALSE(mergedoc.HasStrike());
    EXPECT_TRUE(isUnchanged(mergedoc, ws.doc.stored));
}

// Saving ends tracking the way the Track Changes command does: where struck text went, the
// caret's offset means nothing any more and it goes to the start of its line.
TEST_F(SaveTest, EndingTrackingPutsTheCaretWhereTheCommandWould) {
    const struct {
        RichText marked;
        Pos caret;
        Pos after;
    } cases[] = {
        {{"first\r\nkeep \x06gone end",
          {{12, kPlain, false}, {5, kDeletedRed, true}, {4, kPlain, false}}},
         21,
         7},
        {{"first\r\nkeep new end",
          {{12, kPlain, false}, {3, kInsertedBlue, false}, {4, kPlain, false}}},
         19,
         19},
    };
    for (const auto& c : cases) {
        const std::string path = openAtNine("first\nkeep end");
        mergedoc.SetContent(c.marked);
        ws.trackChanges = true;
        mergedoc.SetSelStart(c.caret);
        ASSERT_TRUE(savefile(ws, path));
        EXPECT_EQ(mergedoc.SelStart(), c.after) << c.caret;
        EXPECT_EQ(mergedoc.SelLength(), 0);
    }
}

}  // namespace
}  // namespace scrivane
