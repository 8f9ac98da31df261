#include <endian.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xxhash.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <random>

#include "recovery/changed_span.h"
#include "recovery/first_version_checksum.h"
#include "recovery/process_identity.h"
#include "recovery/recovery_store.h"
#include "recovery/snapshot_writer.h"

namespace scrivane {
namespace {

int modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return static_cast<int>(st.st_mode & 07777);
}

class RecoveryFilesTest : public ::testing::Test {
  protected:
    std::string dir() const { return tmp.path().toStdString() + "/state/Scrivane/recovery"; }

    // Collects the writer's results, which arrive on its own thread.
    std::vector<SnapshotResult> results() {
        std::lock_guard lock(mutex);
        return done;
    }

    SnapshotJob jobFor(const std::string& path, std::string middle) {
        SnapshotJob job;
        job.path = path;
        job.header.owner = currentProcess();
        job.middle = std::move(middle);
        job.file = store.fileFor(path, job.header.owner);
        job.epoch = writer.epoch();
        return job;
    }

    static std::string bytesOf(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string textIn(const std::string& file) {
        RecoveryRecord record;
        std::string error;
        EXPECT_TRUE(store.read(file, record, error)) << file << ": " << error;
        return record.content.text;
    }

    QTemporaryDir tmp;
    RecoveryStore store{dir()};
    std::mutex mutex;
    std::vector<SnapshotResult> done;
    SnapshotWriter writer{store, [this](SnapshotResult r) {
                              std::lock_guard lock(mutex);
                              done.push_back(std::move(r));
                          }};
};

TEST_F(RecoveryFilesTest, TheDirectoryIsMadePrivateAndFilesAreTheUsersAlone) {
    std::string error;
    ASSERT_TRUE(store.prepare(error)) << error;
    EXPECT_EQ(modeOf(dir()), 0700);
    EXPECT_EQ(modeOf(tmp.path().toStdString() + "/state"), 0700);
    // Loosened by someone: made private again.
    ::chmod(dir().c_str(), 0755);
    ASSERT_TRUE(store.prepare(error)) << error;
    EXPECT_EQ(modeOf(dir()), 0700);

    writer.submit(jobFor("/d/notes.txt", "text"));
    writer.waitIdle();
    const std::string file = store.fileFor("/d/notes.txt", currentProcess());
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    // A link planted in the directory's place is not followed.
    const std::string elsewhere = tmp.path().toStdString() + "/elsewhere";
    std::filesystem::create_directory(elsewhere);
    const std::string linked = tmp.path().toStdString() + "/linked";
    std::filesystem::create_directory_symlink(elsewhere, linked);
    EXPECT_FALSE(RecoveryStore(linked).prepare(error));
    std::ofstream(tmp.path().toStdString() + "/plain") << "x";
    EXPECT_FALSE(RecoveryStore(tmp.path().toStdString() + "/plain").prepare(error));
}

TEST_F(RecoveryFilesTest, FindsEachDocumentsFilesAndFlagsDamagedOnes) {
    std::string error;
    ASSERT_TRUE(store.prepare(error)) << error;
    writer.submit(jobFor("/d/a.txt", "aaa"));
    writer.submit(jobFor("/d/b.txt", "bbb"));
    writer.submit(jobFor("", "unnamed"));
    writer.waitIdle();

    const auto a = store.find("/d/a.txt");
    ASSERT_EQ(a.size(), 1u);
    EXPECT_FALSE(a[0].damaged);
    EXPECT_EQ(a[0].header.owner, currentProcess());
    EXPECT_EQ(textIn(a[0].file), "aaa");
    ASSERT_EQ(store.find("").size(), 1u);
    EXPECT_TRUE(store.find("/d/c.txt").empty());

    // Cut short by a full disk, or tampered with: flagged, never read as a record.
    const std::string b = store.fileFor("/d/b.txt", currentProcess());
    std::filesystem::resize_file(b, std::filesystem::file_size(b) - 1);
    const auto damaged = store.find("/d/b.txt");
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_TRUE(damaged[0].damaged);
    const std::string aside = store.moveAside(b);
    EXPECT_EQ(aside, b + ".damaged");
    EXPECT_TRUE(store.find("/d/b.txt").empty());
}

// Files that editors of the first version wrote are still found: named by their own checksum
// of the file itself, or of the path as typed.
TEST_F(RecoveryFilesTest, FilesNamedByTheFirstVersionAreStillFound) {
    std::string error;
    ASSERT_TRUE(store.prepare(error)) << error;
    const std::string real = tmp.path().toStdString() + "/real.txt";
    const std::string link = tmp.path().toStdString() + "/link.txt";
    std::ofstream(real) << "x";
    std::filesystem::create_symlink(real, link);
    for (const std::string& namedBy : {link, real}) {
        SnapshotJob job = jobFor(link, "typed");
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(firstVersionChecksumOf(namedBy)));
        job.file = dir() + "/" + hex + "-" + std::to_string(job.header.owner.pid) + "-" +
                   std::to_string(job.header.owner.startTicks) + ".recovery";
        ASSERT_NE(job.file, store.fileFor(link, job.header.owner));
        const std::string old = job.file;
        writer.submit(std::move(job));
        writer.waitIdle();
        const auto found = store.find(link);
        ASSERT_EQ(found.size(), 1u) << namedBy;
        EXPECT_EQ(found[0].file, old);
        EXPECT_EQ(textIn(old), "typed");
        ASSERT_TRUE(store.remove(old));
    }
}

// Temporaries of writes cut short stay only while the editor that wrote them runs.
TEST_F(RecoveryFilesTest, PreparingRemovesTemporariesOfEndedEditors) {
    std::string error;
    ASSERT_TRUE(store.prepare(error)) << error;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    ProcessIdentity ended = currentProcess();
    ended.pid = child;
    ProcessIdentity reused = currentProcess();
    reused.startTicks += 1;
    const struct {
        std::string name;
        bool kept;
    } cases[] = {
        {store.fileFor("/d/a.txt", ended) + ".tmp", false},
        {store.fileFor("/d/a.txt", reused) + ".tmp", false},
        {store.fileFor("/d/a.txt", currentProcess()) + ".tmp", true},  // a write under way
        {store.fileFor("/d/a.txt", ended), true},
        {dir() + "/notes-" + std::to_string(child) + ".tmp", true},
    };
    for (const auto& c : cases) std::ofstream(c.name) << "x";
    ASSERT_TRUE(store.prepare(error)) << error;
    for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(c.name), c.kept) << c.name;
}

// The writer rebuilds each snapshot from the one before and the changed middle the window
// copied: after random edits, every file holds exactly the text.
TEST_F(RecoveryFilesTest, EachFileHoldsTheTextRebuiltFromTheChangesAlone) {
    std::string error;
    ASSERT_TRUE(store.prepare(error)) << error;
    std::mt19937 rng(3);
    std::string text = "The quick brown fox jumps over the lazy dog.\r\n";
    ChangedSpan span;
    span.restart(static_cast<Pos>(text.size()));
    bool first = true;
    std::string before = text;
    for (int snapshot = 0; snapshot < 40; ++snapshot) {
        before = text;
        for (int edit = rng() % 4; edit > 0; --edit) {
            const std::size_t pos = rng() % (text.size() + 1);
            const std::size_t removed = rng() % (std::min<std::size_t>(text.size() - pos, 5) + 1);
            const std::string inserted(rng() % 6, static_cast<char>('A' + rng() % 26));
            span.TextEdited(static_cast<Pos>(pos), static_cast<Pos>(removed),
                            static_cast<Pos>(inserted.size()));
            text.replace(pos, removed, inserted);
        }
        const ChangedSpan::Span s = span.span();
        // Sometimes with room to build the whole text around it, sometimes not quite.
        std::string middle;
        const auto whole = static_cast<std::size_t>(s.middleLength() + s.head + s.tail);
        middle.reserve(std::max<std::size_t>(whole + rng() % 3, 1) - 1);
        middle.assign(text, static_cast<std::size_t>(s.head),
                      static_cast<std::size_t>(s.middleLength()));
        SnapshotJob job = jobFor("/d/f.txt", std::move(middle));
        // The text before the edits given anew as a base, as after an open or a save.
        if (first || rng() % 4 == 0) job.base = std::make_shared<const std::string>(before);
        first = false;
        job.head = static_cast<std::size_t>(s.head);
        job.tail = static_cast<std::size_t>(s.tail);
        writer.submit(std::move(job));
        span.restart(static_cast<Pos>(text.size()));
        writer.waitIdle();
        const std::string file = store.fileFor("/d/f.txt", currentProcess());
        ASSERT_EQ(textIn(file), text) << "snapshot " << snapshot;
        // The sum streamed while writing is the library's XXH3 of all the bytes before it.
        const std::string bytes = bytesOf(file);
        const std::size_t sumAt = bytes.size() - kRecoveryTrailerSize;
        std::uint64_t trailer = 0;
        std::memcpy(&trailer, bytes.data() + sumAt, sizeof trailer);
        ASSERT_EQ(le64toh(trailer), XXH3_64bits(bytes.data(), sumAt)) << "snapshot " << snapshot;
    }
    for (const SnapshotResult& r : results()) EXPECT_TRUE(r.written) << r.error;
}

TEST_F(RecoveryFilesTest, ARemovalOvertakesOlderWorkAndABrokenChainWritesNothing) {
    std::string error;
    ASSERT_TRUE(store.prepare(error)) << error;
    // Hold the writer's thread, so that the job waits behind the removal.
    std::promise<void> release;
    writer.prepareBuffer(1, [gate = release.get_future().share()](std::string) { gate.wait(); });
    SnapshotJob job = jobFor("/d/f.txt", "old work");
    job.base = std::make_shared<const std::string>();
    writer.submit(std::move(job));
    writer.remove({store.fileFor("/d/f.txt", currentProcess())});  // the document was saved
    release.set_value();
    writer.waitIdle();
    EXPECT_FALSE(std::filesystem::exists(store.fileFor("/d/f.txt", currentProcess())));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_TRUE(results()[0].cancelled);

    // The removed job's text still counts as the one before: keeping 8 bytes of it works,
    // keeping 9 cannot.
    SnapshotJob fits = jobFor("/d/f.txt", "new ");
    fits.tail = 8;
    writer.submit(std::move(fits));
    SnapshotJob tooLong = jobFor("/d/g.txt", "");
    tooLong.head = 13;
    writer.submit(std::move(tooLong));
    writer.waitIdle();
    EXPECT_EQ(textIn(store.fileFor("/d/f.txt", currentProcess())), "new old work");
    ASSERT_EQ(results().size(), 3u);
    EXPECT_TRUE(results()[2].chainBroken);
    EXPECT_FALSE(std::filesystem::exists(store.fileFor("/d/g.txt", currentProcess())));
}

// Whether the editor that wrote a file still runs: a process id alone is not enough.
TEST(ProcessIdentity, TellsRunningEditorsFromEndedOnes) {
    const ProcessIdentity self = currentProcess();
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);

    ProcessIdentity reused = self;
    reused.startTicks = self.startTicks + 1;
    ProcessIdentity otherBoot = self;
    otherBoot.bootId[0] ^= 1;
    ProcessIdentity ended = self;
    ended.pid = child;
    ProcessIdentity none;
    const struct {
        const char* name;
        ProcessIdentity who;
        bool running;
    } cases[] = {
        {"this process", self, true},
        {"an ended child", ended, false},
        {"its id now used by another process", reused, false},
        {"written before the last boot", otherBoot, false},
        {"no process id", none, false},
    };
    EXPECT_NE(self.startTicks, 0u) << "no process table to read here";
    for (const auto& c : cases) EXPECT_EQ(isRunning(c.who), c.running) << c.name;
}

}  // namespace
}  // namespace scrivane
