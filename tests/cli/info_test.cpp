#include <gtest/gtest.h>

#include "process.h"

namespace scrivane {
namespace {

TEST(EditorInfo, HelpAndVersionNeedNoDisplay) {
#ifndef SCRIVANE_EXE
    GTEST_SKIP() << "built without the editor";
#else
    // No DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM: opening a window would fail here.
    const std::vector<std::string> env{"PATH=/usr/bin:/bin", "HOME=/nonexistent"};
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--help"}, "FILE:LINE:COLUMN"},
        {{"-h"}, "+LINE FILE"},
        {{"--version"}, "scrivane " SCRIVANE_VERSION "\n"},
        {{"--help", "notes.txt"}, "FILE -p POSITION"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = runProcess(SCRIVANE_EXE, c.args, env, "/");
        EXPECT_EQ(r.status, 0) << c.args[0] << r.err;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
        const ProcessResult full = runProcess(SCRIVANE_EXE, c.args, env, "/", Output::Full);
        EXPECT_NE(full.status, 0) << c.args[0] << " into a full disk";
    }
    // The same environment does stop the editor itself, so the answers above came first.
    EXPECT_NE(runProcess(SCRIVANE_EXE, {"notes.txt"}, env, "/").status, 0);
#endif
}

}  // namespace
}  // namespace scrivane
