// Saving real files in a private temporary directory: names of any legal length, extended
// attributes and ACLs, and the temporary files that killed saves leave behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "files/file_save.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Every extended attribute of a file with its value.
std::map<std::string, std::string> attributesOf(const std::string& path) {
    std::map<std::string, std::string> out;
    std::vector<char> names(65536);
    const ssize_t size = ::llistxattr(path.c_str(), names.data(), names.size());
    for (ssize_t at = 0; at < size;) {
        const std::string name(names.data() + at);
        at += static_cast<ssize_t>(name.size()) + 1;
        std::string value(65536, '\0');
        const ssize_t n = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        value.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        out[name] = value;
    }
    return out;
}

// A POSIX ACL as the kernel stores it in system.posix_acl_access or _default: version 2,
// then (tag, permissions, id) entries sorted by tag.
std::string aclBytes(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
    std::string out;
    const auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(2, 4);
    for (const auto& [tag, perm, id] : entries) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    }
    return out;
}
constexpr std::uint32_t kNoId = 0xFFFFFFFF;
// Owner rw, user 12345 r, owning group r, mask r, others nothing.
const std::string kAcl = aclBytes(
    {{0x01, 6, kNoId}, {0x02, 4, 12345}, {0x04, 4, kNoId}, {0x10, 4, kNoId}, {0x20, 0, kNoId}});

// An ended process, as a killed editor leaves it.
ProcessIdentity endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    ProcessIdentity who = currentProcess();
    who.pid = child;
    return who;
}

class FileSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = fs::temp_directory_path().string() + "/file-save-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ::setenv("XDG_STATE_HOME", (dir_ + "-state").c_str(), 1);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        fs::remove_all(dir_ + "-state");
        ::unsetenv("XDG_STATE_HOME");
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::vector<std::string> names(const std::string& in = {}) const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(in.empty() ? dir_ : in)) {
            out.push_back(e.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    // Whether the file system here keeps extended attributes of the kind `name`.
    bool keepsAttribute(const std::string& name, const std::string& value) const {
        const std::string probe = path("probe");
        writeFile(probe, "");
        const bool ok = ::setxattr(probe.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
        fs::remove(probe);
        return ok;
    }

    std::string dir_;
};

// The temporary file's name does not grow with the file's: a name of the longest length the
// file system takes saves like any other, new or existing, directly or through a link.
TEST_F(FileSaveTest, NamesOfAnyLegalLengthSave) {
    const struct {
        std::size_t length;
        bool exists;
        bool throughLink;
    } cases[] = {
        {240, true, false},  {240, false, false}, {255, true, false},
        {255, false, false}, {255, true, true},
    };
    for (const auto& c : cases) {
        const std::string name(c.length, 'n');
        SCOPED_TRACE(std::to_string(c.length) + (c.exists ? " existing" : " new") +
                     (c.throughLink ? " through a link" : ""));
        if (c.exists) writeFile(path(name), "old");
        std::string target = path(name);
        if (c.throughLink) {
            target = path(std::string(c.length, 'l'));
            fs::create_symlink(name, target);
        }
        std::string error;
        ASSERT_TRUE(saveFileBytes(target, "new", error)) << error;
        EXPECT_EQ(readFile(path(name)), "new");
        EXPECT_EQ(names().size(), c.throughLink ? 2u : 1u);  // no temporary left
        EXPECT_EQ(fs::is_symlink(target), c.throughLink);
        for (const std::string& left : names()) fs::remove(path(left));
    }
}

// Bytes given in pieces land whole, whichever way the file is written: a new file, one
// renamed over, one written in place (a second hard link) that was longer before and must
// end where the new bytes end. A source may be read more than once; each time from the start.
TEST_F(FileSaveTest, BytesGivenInPiecesLandWhole) {
    const std::vector<std::string> pieces = {"first ", "", "second\n", std::string(70000, 'x'),
                                             "end"};
    std::string whole;
    for (const auto& piece : pieces) whole += piece;
    const ByteSource source = [&](const PieceSink& sink) {
        return std::all_of(pieces.begin(), pieces.end(), sink);
    };
    const struct {
        const char* name;
        const char* old;  // nullptr: no file yet
        bool linked;
    } cases[] = {
        {"new", nullptr, false},
        {"renamed over", "old", false},
        {"in place, longer before", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = path("f");
        if (c.old != nullptr) writeFile(file, c.old);
        if (c.linked) {
            writeFile(file, whole + whole);
            fs::create_hard_link(file, path("link"));
        }
        std::vector<SaveProgress> told;
        std::string error;
        ASSERT_TRUE(saveFileBytes(file, source, error, [&](const SaveProgress& p) {
            told.push_back(p);
        })) << error;
        EXPECT_EQ(readFile(file), whole);
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told.back().written, whole.size());
        // In place, the old content is copied aside first, and that is told too.
        const std::uint64_t oldSize = c.linked ? 2 * whole.size() : 0;
        EXPECT_EQ(told.back().copiedAside, oldSize);
        for (std::size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(told[i].oldSize, oldSize) << i;
            if (told[i].written > 0) {
                EXPECT_EQ(told[i].copiedAside, oldSize) << i;
            }
            if (i > 0) {
                EXPECT_GE(told[i].copiedAside, told[i - 1].copiedAside) << i;
            }
        }
        if (c.linked) {
            EXPECT_TRUE(std::any_of(told.begin(), told.end(), [&](const SaveProgress& p) {
                return p.written == 0 && p.copiedAside == oldSize;
            }));
            EXPECT_EQ(readFile(path("link")), whole);
        }
        for (const std::string& left : names()) fs::remove(path(left));
    }
}

// User attributes and an ACL come along when the file is renamed over; an ACL the new file
// would inherit from its directory, which the old file did not have, does not.
TEST_F(FileSaveTest, ExtendedAttributesAndAclsAreKeptExactly) {
    if (!keepsAttribute("user.probe", "1")) GTEST_SKIP() << "no user attributes here";
    const bool acls = keepsAttribute("system.posix_acl_access", kAcl);

    const std::string file = path("notes.txt");
    writeFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(::setxattr(file.c_str(), "user.origin", "web", 3, 0), 0);
    ASSERT_EQ(::setxattr(file.c_str(), "user.empty", "", 0, 0), 0);
    if (acls) {
        ASSERT_EQ(::setxattr(file.c_str(), "system.posix_acl_access", kAcl.data(), kAcl.size(), 0),
                  0);
    }
    const auto before = attributesOf(file);
    const struct stat old = statOf(file);
    std::string error;
    ASSERT_TRUE(saveFileBytes(file, "new", error)) << error;
    EXPECT_EQ(readFile(file), "new");
    EXPECT_NE(statOf(file).st_ino, old.st_ino);  // renamed over: nothing forced it in place
    EXPECT_EQ(attributesOf(file), before);
    EXPECT_EQ(statOf(file).st_mode, old.st_mode);

    if (!acls) GTEST_SKIP() << "no ACLs here";
    // The directory got a default ACL after the file was made.
    const std::string sub = path("shared");
    fs::create_directory(sub);
    const std::string plain = sub + "/plain.txt";
    writeFile(plain, "old");
    ASSERT_EQ(::chmod(plain.c_str(), 0600), 0);
    ASSERT_EQ(::setxattr(sub.c_str(), "system.posix_acl_default", kAcl.data(), kAcl.size(), 0), 0);
    ASSERT_TRUE(saveFileBytes(plain, "new", error)) << error;
    EXPECT_EQ(readFile(plain), "new");
    EXPECT_TRUE(attributesOf(plain).empty());
    EXPECT_EQ(statOf(plain).st_mode & 07777, 0600u);
}

// A security label the saving user may not set: renaming would drop it, so the file is
// written in place.
TEST_F(FileSaveTest, AnAttributeThatCannotBeSetMakesTheSaveWriteInPlace) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file a label its owner cannot";
    if (!keepsAttribute("security.scrivane-test", "x")) GTEST_SKIP() << "no security attributes";
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(dir_.c_str(), nobody, nobody), 0);
    const std::string file = path("labelled.txt");
    writeFile(file, "old");
    ASSERT_EQ(::chown(file.c_str(), nobody, nobody), 0);
    ASSERT_EQ(::setxattr(file.c_str(), "security.scrivane-test", "label", 5, 0), 0);
    const ino_t inode = statOf(file).st_ino;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(2);
        ::setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);
        std::string error;
        ::_exit(saveFileBytes(file, "new", error) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(statOf(file).st_ino, inode);
    EXPECT_EQ(attributesOf(file)["security.scrivane-test"], "label");
}

// A save removes the temporary files that saves of ended processes left beside the file, and
// nothing a running save, another machine or the user may still need.
TEST_F(FileSaveTest, TemporariesOfEndedSavesAreRemoved) {
    const ProcessIdentity self = currentProcess();
    ASSERT_NE(self.startTicks, 0u) << "no process table to read here";
    ProcessIdentity reused = self;
    reused.startTicks += 1;
    ProcessIdentity otherMachine = endedProcess();
    otherMachine.bootId[0] ^= 1;
    const struct {
        std::string name;
        bool leftBySave;  // stale: removed by the save
        bool leftAtBoot;  // stale once the system started after it was made
    } cases[] = {
        {saveTemporaryStem(endedProcess()) + "Ab12Cd", true, true},
        {saveTemporaryStem(reused) + "Ab12Cd", true, true},
        {saveTemporaryStem(self) + "Ab12Cd", false, true},  // a save under way
        {saveTemporaryStem(otherMachine) + "Ab12Cd", false, true},
        {".notes.txt.scrivane-Ab12Cd", false, true},  // an earlier version's, this file's
        {".other.txt.scrivane-Ab12Cd", false, false},
        {saveTemporaryStem(endedProcess()) + "Ab12C", false, false},  // not a name we make
        {".scrivane-notes", false, false},
        {"notes.txt.scrivane-Ab12Cd", false, false},
    };
    const std::string file = path("notes.txt");
    writeFile(file, "old");
    std::vector<std::string> kept = {"notes.txt"};
    std::vector<std::string> keptAfterBoot = {"notes.txt"};
    for (const auto& c : cases) {
        writeFile(path(c.name), "half");
        if (!c.leftBySave) kept.push_back(c.name);
        if (!c.leftAtBoot) keptAfterBoot.push_back(c.name);
    }
    // A directory, or another user's file, under a stale name is not ours to remove.
    const std::string asDirectory = saveTemporaryStem(endedProcess()) + "Dir123";
    fs::create_directory(path(asDirectory));
    kept.push_back(asDirectory);
    keptAfterBoot.push_back(asDirectory);
    if (::geteuid() == 0) {
        const std::string theirs = saveTemporaryStem(endedProcess()) + "Their1";
        writeFile(path(theirs), "half");
        ASSERT_EQ(::chown(path(theirs).c_str(), 65534, 65534), 0);
        kept.push_back(theirs);
        keptAfterBoot.push_back(theirs);
    }
    std::sort(kept.begin(), kept.end());
    std::sort(keptAfterBoot.begin(), keptAfterBoot.end());

    std::string error;
    ASSERT_TRUE(saveFileBytes(file, "new", error)) << error;
    EXPECT_EQ(names(), kept);
    EXPECT_EQ(readFile(file), "new");

    // As after a restart: whatever was made before the system started is stale.
    removeStaleTemporaries(dir_, "notes.txt", self, std::time(nullptr) + 60);
    EXPECT_EQ(names(), keptAfterBoot);
}

}  // namespace
}  // namespace scrivane
