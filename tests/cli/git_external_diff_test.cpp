// scrivane-compare as git's external diff, run by the real git in a repository of its own.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "process.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

const std::string kTool = SCRIVANE_COMPARE_EXE;
const std::string kGit = "/usr/bin/git";

class GitExternalDiffTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::access(kGit.c_str(), X_OK) != 0) {
            GTEST_SKIP() << kGit << " is not installed (scripts/install-deps.sh installs git)";
        }
        dir_ = fs::temp_directory_path() / ("scrivane-git-test-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        git({"init", "-q", "."});
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    void write(const std::string& name, std::string_view bytes) {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // git with a fixed identity and no configuration but the repository's.
    ProcessResult git(std::vector<std::string> args, std::vector<std::string> env = {}) {
        env.insert(env.end(),
                   {"PATH=/usr/bin:/bin", "HOME=" + dir_.string(), "GIT_CONFIG_NOSYSTEM=1",
                    "GIT_AUTHOR_NAME=T", "GIT_AUTHOR_EMAIL=t@example.org", "GIT_COMMITTER_NAME=T",
                    "GIT_COMMITTER_EMAIL=t@example.org", "LC_ALL=C"});
        const ProcessResult r = runProcess(kGit, args, env, dir_.string());
        return r;
    }
    void commitAll() {
        ASSERT_EQ(git({"add", "-A"}).status, 0);
        const ProcessResult r = git({"commit", "-q", "-m", "step"});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    fs::path dir_;
};

TEST_F(GitExternalDiffTest, EveryKindOfChangeAndGitGoesOn) {
    write("-x.txt", "a line long enough to match\n");
    write("a.txt", "one two three four five\nsix\n");
    write("b.bin", std::string_view("bin\0ary", 7));
    write("d.txt", "gone\n");
    write("m.txt", "mode\n");
    commitAll();
    write("-x.txt", "a line long enough to match, and more\n");
    write("a.txt", "one two 3 four five\nsix\n");
    write("b.bin", std::string_view("bin\0ery", 7));
    fs::remove(dir_ / "d.txt");
    ::chmod((dir_ / "m.txt").c_str(), 0755);
    write("n.txt", "new\n");
    write("nb.bin", std::string_view("\0", 1));
    ASSERT_EQ(git({"add", "-A"}).status, 0);

    const std::string expected =
        "diff --git a/-x.txt b/-x.txt\n"
        "a line long enough to match{+, and more\n"
        "+}[-\n"
        "-]\n"
        "diff --git a/a.txt b/a.txt\n"
        "one two {+3+}[-three-] four five\n"
        "six\n"
        "diff --git a/b.bin b/b.bin\n"
        "Binary files a/b.bin and b/b.bin differ\n"
        "diff --git a/d.txt b/d.txt\n"
        "deleted file mode 100644\n"
        "[-gone\n"
        "-]\n"
        "diff --git a/m.txt b/m.txt\n"
        "old mode 100644\n"
        "new mode 100755\n"
        "diff --git a/n.txt b/n.txt\n"
        "new file mode 100644\n"
        "{+new\n"
        "+}\n"
        "diff --git a/nb.bin b/nb.bin\n"
        "new file mode 100644\n"
        "Binary files /dev/null and b/nb.bin differ\n";
    const struct {
        const char* how;
        std::vector<std::string> args, env;
    } ways[] = {
        {"GIT_EXTERNAL_DIFF", {"diff", "--cached"}, {"GIT_EXTERNAL_DIFF=" + kTool}},
        {"diff.external", {"-c", "diff.external=" + kTool, "diff", "--cached"}, {}},
    };
    for (const auto& way : ways) {
        const ProcessResult r = git(way.args, way.env);
        EXPECT_EQ(r.status, 0) << way.how << ": " << r.err;
        EXPECT_EQ(r.out, expected) << way.how;
    }

    // Options before git's arguments; colours while git's pager reads the output.
    const ProcessResult count =
        git({"-c", "diff.external=" + kTool + " --format=count", "diff", "--cached", "a.txt"});
    EXPECT_EQ(count.status, 0) << count.err;
    EXPECT_EQ(count.out, "diff --git a/a.txt b/a.txt\n2 differences were found.\n");
    const ProcessResult paged =
        git({"diff", "--cached", "a.txt"}, {"GIT_EXTERNAL_DIFF=" + kTool, "GIT_PAGER_IN_USE=true"});
    EXPECT_NE(paged.out.find("\x1b[34m3\x1b[0m"), std::string::npos) << paged.out;
}

TEST_F(GitExternalDiffTest, RenamedAndUnmergedPaths) {
    write("r.txt", "a file that moves\n");
    write("c.txt", "base line of the file\n");
    commitAll();
    ASSERT_EQ(git({"mv", "r.txt", "s.txt"}).status, 0);
    const ProcessResult renamed = git({"diff", "--cached", "-M"}, {"GIT_EXTERNAL_DIFF=" + kTool});
    EXPECT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(renamed.out,
              "diff --git a/r.txt b/s.txt\nsimilarity index 100%\nrename from r.txt\nrename to "
              "s.txt\n");

    // Two branches change the same line: the merge leaves c.txt unmerged.
    commitAll();
    ASSERT_EQ(git({"checkout", "-q", "-b", "side"}).status, 0);
    write("c.txt", "side line of the file\n");
    commitAll();
    ASSERT_EQ(git({"checkout", "-q", "-"}).status, 0);
    write("c.txt", "main line of the file\n");
    commitAll();
    EXPECT_NE(git({"merge", "-q", "side"}).status, 0);
    const ProcessResult unmerged = git({"diff", "--cached"}, {"GIT_EXTERNAL_DIFF=" + kTool});
    EXPECT_EQ(unmerged.status, 0) << unmerged.err;
    EXPECT_EQ(unmerged.out, "* Unmerged path c.txt\n");
}

}  // namespace
}  // namespace scrivane
