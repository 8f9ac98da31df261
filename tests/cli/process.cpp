#include "process.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace scrivane {

namespace {

// Everything readable from `fd` until end of file (or, for a terminal, until it hangs up).
std::string drain(int fd) {
    std::string text;
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            return text;
        }
    }
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> list;
    for (std::string& s : strings) list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}

}  // namespace

ProcessResult runProcess(const std::string& exe, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, const std::string& dir,
                         Output output) {
    std::vector<std::string> argv{exe};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = env;

    // Standard error goes to a file, so that neither stream can fill up while the other is read.
    char errName[] = "/tmp/scrivane-cli-XXXXXX";
    const int errFd = ::mkstemp(errName);
    ::unlink(errName);
    int outRead = -1, outWrite = -1;
    if (output == Output::Terminal) {
        if (::openpty(&outRead, &outWrite, nullptr, nullptr, nullptr) != 0) return {};
    } else {
        int fds[2];
        if (::pipe(fds) != 0) return {};
        outRead = fds[0];
        outWrite = fds[1];
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, STDIN_FILENO);
        ::dup2(output == Output::Full ? ::open("/dev/full", O_WRONLY) : outWrite, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        ::close(outRead);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        ::execve(exe.c_str(), pointers(argv).data(), pointers(envp).data());
        ::_exit(127);
    }
    ::close(outWrite);
    ProcessResult result;
    result.out = drain(outRead);
    ::close(outRead);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::lseek(errFd, 0, SEEK_SET);
    result.err = drain(errFd);
    ::close(errFd);
    return result;
}

}  // namespace scrivane
