// Faults around reading and writing files: odd names, links, owners, special files, limits,
// a process killed while it saves. Real files in a private temporary directory.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <random>
#include <thread>

#include "app/file_io.h"
#include "app/opening.h"
#include "app/saving.h"
#include "app_fixture.h"
#include "tracking/track_changes.h"

namespace scrivane {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kLargeFile = std::size_t{16} << 20;
#else
constexpr std::size_t kLargeFile = std::size_t{100} << 20;
#endif

class FileFaultTest : public AppTest {
  protected:
    // Runs `body` in a child process; its exit status, or 128 + the signal that ended it.
    static int inChild(const std::function<int()>& body) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(body());
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // The files of the temporary directory, without the settings' folder.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(dir())) {
            const std::string name = entry.path().filename().string();
            if (name != "config") out.push_back(name);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    static struct stat statOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st;
    }
};

// Names the file system takes as they are: not UTF-8, long, or holding pattern characters while
// a file they would match exists too. Each opens, saves and is checked for changes on disk as
// itself, and the recent list keeps its bytes.
TEST_F(FileFaultTest, OddNamesOpenSaveAndCheckTheirOwnFile) {
    writeFile("abc.txt", "decoy\n");
    const std::vector<std::string> odd = {
        "r\xE9sum\xE9.txt",
        "a*.txt",
        "a?c.txt",
        "[ab]c.txt",
        "x[*].txt",
        "\xFF\xFE",
        std::string(240, 'n') + ".txt",  // long, as the file system allows up to 255 bytes
    };
    for (const std::string& name : odd) {
        const std::string path = writeFile(name, "old\n");
        setModified(path, localTime(2026, 12, 8, 9, 0));
        const std::vector<std::string> before = names();
        forgetChanges();
        openfile(ws, path);
        ASSERT_EQ(ws.doc.filename, path) << name;
        EXPECT_EQ(mergedoc.Text(), "old\r\n") << name;
        type("new ");
        ASSERT_TRUE(savefile(ws, ws.doc.filename)) << name;
        EXPECT_EQ(readFile(path), "new old\n") << name;
        EXPECT_EQ(names(), before) << name;  // no second file under a mangled name
        EXPECT_NE(ws.settings.recentList.find(path), std::string::npos) << name;

        writeFile(name, "theirs\n");
        setModified(path, *ws.doc.filetime + std::chrono::seconds(5));
        type("more ");
        services.messages.clear();
        services.answers = {Answer::No};
        EXPECT_FALSE(savefile(ws, ws.doc.filename)) << name;
        EXPECT_EQ(services.messages.size(), 1u) << name;
        std::filesystem::remove(path);
    }
    EXPECT_EQ(readFile(dir() + "/abc.txt"), "decoy\n");
}

// A second hard link sees the new content; owner, group and mode stay.
TEST_F(FileFaultTest, LinksOwnerGroupAndModeAreKept) {
    const std::string path = writeFile("linked.txt", "old");
    const std::string other = dir() + "/other-name.txt";
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
    }
    const struct stat before = statOf(path);

    std::string error;
    ASSERT_TRUE(saveFileBytes(path, "new content", error)) << error;
    EXPECT_EQ(readFile(other), "new content");
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);

    // One name only: renamed over, with owner and group given back (possible as root only).
    const std::string single = writeFile("single.txt", "old");
    if (root) {
        ASSERT_EQ(::chown(single.c_str(), 4242, 4343), 0);
    }
    const struct stat alone = statOf(single);
    ASSERT_TRUE(saveFileBytes(single, "new", error)) << error;
    EXPECT_EQ(statOf(single).st_uid, alone.st_uid);
    EXPECT_EQ(statOf(single).st_gid, alone.st_gid);
    EXPECT_EQ(readFile(single), "new");
    if (!root) GTEST_SKIP() << "owner and group of another user need root to set up";
}

// Another user's world-writable file in a sticky directory such as /tmp: no rename is allowed
// there, so the file is written in place.
TEST_F(FileFaultTest, SavesAnotherUsersFileInAStickyDirectory) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    const std::string sticky = dir() + "/sticky";
    ASSERT_EQ(::mkdir(sticky.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(sticky.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(dir().c_str(), 0755), 0);
    const std::string path = sticky + "/shared.txt";
    std::ofstream(path) << "root's text";
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    const int status = inChild([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
        ::setenv("XDG_STATE_HOME", (sticky).c_str(), 1);
        std::string error;
        return saveFileBytes(path, "nobody's text", error) ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(path), "nobody's text");
    EXPECT_EQ(statOf(path).st_uid, 0u);
}

// Reading a file while another thread shrinks and grows it: the bytes or an error, never a
// crash (a mapped file would end the process with SIGBUS).
TEST_F(FileFaultTest, AFileThatShrinksWhileItIsReadGivesBytesOrAnError) {
    const std::size_t size = kLargeFile / 4;
    const std::string path = writeFile("shrinking.txt", std::string(size, 'x'));
    std::atomic<bool> done{false};
    std::thread truncator([&] {
        std::mt19937 rng(3);
        while (!done) {
            if (::truncate(path.c_str(), static_cast<off_t>(rng() % size)) != 0) break;
            if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0) break;
        }
    });
    for (int i = 0; i < 20; ++i) {
        DocumentText doc;
        std::string error;
        if (readDocumentFile(path, doc, error)) {
            EXPECT_LE(doc.text.size(), size);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    done = true;
    truncator.join();
}

// A FIFO that another process holds open is refused at once instead of waited on.
TEST_F(FileFaultTest, AFifoWithAWriterIsRefusedAtOnce) {
    const std::string fifo = dir() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    openfile(ws, fifo);
    ::close(writer);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Not a regular file opening " + fifo);
    EXPECT_EQ(ws.doc.filename, "");  // the unnamed document it was
}

// Open and Compare to read a file the same way: what one refuses the other refuses at once,
// in the same words, and the document, its marking and Track Changes stay as they were.
TEST_F(FileFaultTest, OpenAndCompareToRefuseWhatCannotBeReadAlike) {
    const std::string fifo = dir() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir() + "/folder");
    const std::string locked = writeFile("locked.txt", "secret");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    struct Case {
        std::string path;
        std::string message;
    };
    std::vector<Case> cases = {
        {fifo, "Not a regular file opening " + fifo},
        {dir() + "/folder", "Is a directory opening " + dir() + "/folder"},
        {dir() + "/missing", "No such file or directory opening " + dir() + "/missing"},
        {"/dev/zero", "Not a regular file opening /dev/zero"},
    };
    if (::geteuid() != 0) cases.push_back({locked, "Permission denied opening " + locked});
    const std::string good = writeFile("good.txt", "one\ntwo\n");
    for (const bool tracking : {false, true}) {
        for (const bool compare : {false, true}) {
            for (const auto& c : cases) {
                const std::string what =
                    c.path + (compare ? " compared" : " opened") + (tracking ? ", tracking" : "");
                if (ws.trackChanges) mnuTrackChanges_Click(ws);
                forgetChanges();
                openfile(ws, good);
                mergedoc.SetSelStart(3);
                type("!");
                if (tracking) mnuTrackChanges_Click(ws);
                const RichText content = mergedoc.Content();
                services.messages.clear();
                if (compare) {
                    services.openNames = {c.path};
                    mnuCompareTo_Click(ws);
                } else {
                    services.answers = {Answer::No};  // the save prompt
                    openfile(ws, c.path);
                }
                ASSERT_FALSE(services.messages.empty()) << what;
                EXPECT_EQ(services.messages.back(),
                          (ScriptedServices::Message{c.message, Buttons::Ok, Icon::None}))
                    << what;
                EXPECT_EQ(mergedoc.Content(), content) << what;
                EXPECT_EQ(ws.trackChanges, tracking) << what;
                EXPECT_EQ(ws.doc.filename, good) << what;
            }
        }
    }
}

// Past a file-size limit the save fails with the system's word for it and the old content
// stays, whether the file is renamed over or written in place; the process is not killed.
TEST_F(FileFaultTest, AFileSizeLimitFailsTheSaveAndKeepsTheOldFile) {
    const std::string old(3000, 'o');
    for (const bool secondLink : {false, true}) {
        const std::string path = writeFile("limited.txt", old);
        const std::string link = dir() + "/limited-link.txt";
        std::filesystem::remove(link);
        if (secondLink) {
            ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
        }
        const std::string backups = dir() + "/state";
        const int status = inChild([&] {
            ::setenv("XDG_STATE_HOME", backups.c_str(), 1);
            const rlimit limit{4096, 4096};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
            std::string error;
            if (saveFileBytes(path, std::string(10000, 'n'), error)) return 3;
            return error == "File too large" ? 0 : 4;
        });
        EXPECT_EQ(status, 0) << secondLink;
        EXPECT_EQ(readFile(path), old) << secondLink;
        std::filesystem::remove(link);
        std::filesystem::remove(path);
        std::filesystem::remove_all(backups);
        EXPECT_TRUE(names().empty()) << "left behind: " << names().front();
    }
}

// A save killed at any moment leaves the old or the new bytes, nothing in between.
TEST_F(FileFaultTest, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewBytes) {
    std::string first(kLargeFile, 'a');
    std::string second(kLargeFile - kLargeFile / 10, 'b');
    for (std::size_t i = 80; i < first.size(); i += 81) first[i] = '\n';
    for (std::size_t i = 60; i < second.size(); i += 61) second[i] = '\n';
    const std::string path = writeFile("large.txt", first);

    const auto started = std::chrono::steady_clock::now();
    std::string error;
    ASSERT_TRUE(saveFileBytes(path, second, error)) << error;
    const auto saveTime = std::chrono::steady_clock::now() - started;
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count() + 1;

    std::mt19937 rng(20);
    for (int attempt = 0; attempt < 20; ++attempt) {
        const std::string& next = attempt % 2 == 0 ? first : second;
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::string childError;
            ::_exit(saveFileBytes(path, next, childError) ? 0 : 1);
        }
        ::usleep(static_cast<useconds_t>(rng() % static_cast<unsigned>(span)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const std::string now = readFile(path);
        ASSERT_TRUE(now == first || now == second)
            << "attempt " << attempt << ": " << now.size() << " bytes";
    }
    // A killed save may leave its temporary file behind; the next save removes it.
    ASSERT_TRUE(saveFileBytes(path, first, error)) << error;
    EXPECT_EQ(names(), std::vector<std::string>{"large.txt"});
}

}  // namespace
}  // namespace scrivane
