#pragma once

#include <string>
#include <vector>

namespace scrivane {

struct ProcessResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out, err;
};

// Where standard output goes: a pipe, a pseudo-terminal, or /dev/full (every write fails).
enum class Output { Pipe, Terminal, Full };

// Runs `exe` in `dir` with `args` and exactly the environment `env`, standard input empty,
// and collects what it writes.
ProcessResult runProcess(const std::string& exe, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, const std::string& dir,
                         Output output = Output::Pipe);

}  // namespace scrivane
