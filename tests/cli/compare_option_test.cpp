#include <gtest/gtest.h>

#include "process.h"

namespace scrivane {
namespace {

// A --compare without its two files is told on standard error at once, with no window (no
// display is given, so a window would fail otherwise).
TEST(EditorCompareOption, MissingFileIsAnErrorWithoutAWindow) {
#ifndef SCRIVANE_EXE
    GTEST_SKIP() << "built without the editor";
#else
    const std::vector<std::string> env{"PATH=/usr/bin:/bin", "HOME=/nonexistent"};
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--compare", "new.txt"}, std::vector<std::string>{"-c"}}) {
        const ProcessResult r = runProcess(SCRIVANE_EXE, args, env, "/");
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find("--compare needs two files"), std::string::npos) << r.err;
    }
#endif
}

}  // namespace
}  // namespace scrivane
