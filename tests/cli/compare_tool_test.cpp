#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "process.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

const std::string kTool = SCRIVANE_COMPARE_EXE;
const std::string kColour = "\x1b[";

class CompareToolTest : public ::testing::Test {
  protected:
    CompareToolTest() {
        dir_ = fs::temp_directory_path() / ("scrivane-compare-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        write("new.txt", "a b c\n");
        write("old.txt", "a x c\n");
        write("-dash.txt", "a b c\n");
    }
    ~CompareToolTest() override { fs::remove_all(dir_); }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

    ProcessResult run(const std::vector<std::string>& args, Output output = Output::Pipe) {
        return runProcess(kTool, args, {"PATH=/usr/bin:/bin"}, dir_.string(), output);
    }

    fs::path dir_;
};

TEST_F(CompareToolTest, OptionsTakeTheirValueEitherWay) {
    const std::vector<std::vector<std::string>> pairs[] = {
        {{"--format=count"}, {"--format", "count"}},
        {{"--format=rtf"}, {"--format", "rtf"}},
        {{"--format=html"}, {"--format", "html"}},
        {{"--color=always"}, {"--color", "always"}},
        {{"--color=never", "--format=blocks"}, {"--color", "never", "--format", "blocks"}},
    };
    for (const auto& pair : pairs) {
        std::vector<std::string> joined = pair[0], split = pair[1];
        for (auto* args : {&joined, &split}) args->insert(args->end(), {"new.txt", "old.txt"});
        const ProcessResult a = run(joined), b = run(split);
        EXPECT_EQ(a.status, 1) << pair[0][0] << a.err;
        EXPECT_EQ(b.status, a.status) << pair[1][0] << b.err;
        EXPECT_EQ(b.out, a.out) << pair[1][0];
        EXPECT_FALSE(a.out.empty()) << pair[0][0];
    }
}

TEST_F(CompareToolTest, ColoursOnlyWhereAskedOrOnATerminal) {
    const struct {
        std::vector<std::string> options;
        Output output;
        bool coloured;
    } cases[] = {
        {{}, Output::Pipe, false},
        {{}, Output::Terminal, true},
        {{"--color=auto"}, Output::Pipe, false},
        {{"--color=auto"}, Output::Terminal, true},
        {{"--color=always"}, Output::Pipe, true},
        {{"--color=never"}, Output::Terminal, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"new.txt", "old.txt"});
        const ProcessResult r = run(args, c.output);
        const std::string label =
            (c.options.empty() ? "default" : c.options[0]) +
            (c.output == Output::Terminal ? " on a terminal" : " into a pipe");
        EXPECT_EQ(r.status, 1) << label << r.err;
        EXPECT_EQ(r.out.find(kColour) != std::string::npos, c.coloured) << label << r.out;
        // Without colours the changes are still told apart.
        if (!c.coloured) {
            EXPECT_NE(r.out.find("{+"), std::string::npos) << label << r.out;
            EXPECT_NE(r.out.find("[-"), std::string::npos) << label << r.out;
        }
    }
}

TEST_F(CompareToolTest, EveryTroubleIsNamedByTheToolAndEndsWithStatusTwo) {
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"missing", "old.txt"}, "No such file or directory opening "},
        {{"new.txt", "missing"}, "No such file or directory opening "},
        {{"a-directory", "old.txt"}, "Is a directory opening "},
        {{"--format", "new.txt", "old.txt"}, "unknown format"},
        {{"new.txt", "old.txt", "--format"}, "needs a value"},
        {{"--color=sometimes", "new.txt", "old.txt"}, "unknown colour mode"},
        {{"--colour=always", "new.txt", "old.txt"}, "unknown option"},
        {{"new.txt"}, "expected two files"},
        {{"-dash.txt", "old.txt"}, "unknown option"},
        {{"--format=html", "p", "new.txt", "1", "100644", "old.txt", "2", "100644"},
         "git's external diff takes the ansi or count format"},
    };
    fs::create_directories(dir_ / "a-directory");
    for (const auto& c : cases) {
        const ProcessResult r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0];
        EXPECT_TRUE(r.err.starts_with("scrivane-compare: ")) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args[0];
    }
}

TEST_F(CompareToolTest, FileNamesAfterTheDoubleHyphenAndTheInfoOptions) {
    EXPECT_EQ(run({"--", "-dash.txt", "new.txt"}).status, 0);
    const ProcessResult version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "scrivane-compare " SCRIVANE_VERSION "\n");
    const ProcessResult help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--color=WHEN"), std::string::npos);
    // Output that cannot be written is trouble, not success.
    for (const auto& args : {std::vector<std::string>{"--version"}, {"new.txt", "new.txt"}}) {
        const ProcessResult full = run(args, Output::Full);
        EXPECT_EQ(full.status, 2) << args[0];
        EXPECT_NE(full.err.find("scrivane-compare: cannot write"), std::string::npos) << full.err;
    }
}

}  // namespace
}  // namespace scrivane
