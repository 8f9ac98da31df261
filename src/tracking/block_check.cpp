#include "tracking/block_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace scrivane {
namespace {

constexpr const char* kFileName = "blocks.txt";

std::string privateDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/scrivane";
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    return base + "/scrivane-" + std::to_string(::getuid());
}

// Opens the private directory, creating it when missing; -1 with errno set when it is not
// a real directory owned by us and closed to everyone else.
int openPrivateDir(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

}  // namespace

std::string blockCheckPath() {
    return privateDir() + "/" + kFileName;
}

bool writeBlockCheckFile(std::string_view content, std::string& path, std::string& error) {
    path = blockCheckPath();
    const int dirFd = openPrivateDir(privateDir());
    if (dirFd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const int fd =
        ::openat(dirFd, kFileName, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    const int openErrno = errno;
    ::close(dirFd);
    if (fd < 0) {
        error = std::strerror(openErrno);
        return false;
    }
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace scrivane
