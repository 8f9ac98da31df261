#include "platform/pure/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace scrivane {
namespace {

std::string systemError(int err) {
    return std::strerror(err);
}

}  // namespace

int openForReading(const std::string& path, struct stat& st, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = systemError(errno);
        return -1;
    }
    int refuse = 0;
    if (::fstat(fd, &st) != 0) {
        refuse = errno;
    } else if (S_ISDIR(st.st_mode)) {
        refuse = EISDIR;
    } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        refuse = EINVAL;  // /dev/zero and the like never end
    }
    if (refuse != 0) {
        ::close(fd);
        error = systemError(refuse);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool readAll(int fd, const struct stat& st, std::string& bytes, std::string& error) {
    bytes.resize(S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0);
    std::size_t got = 0;
    char extra[1 << 16];
    for (;;) {
        const bool intoBuffer = got < bytes.size();
        const ssize_t n = intoBuffer ? ::read(fd, bytes.data() + got, bytes.size() - got)
                                     : ::read(fd, extra, sizeof extra);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemError(errno);
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        if (intoBuffer) {
            got += static_cast<std::size_t>(n);
        } else {
            bytes.append(extra, static_cast<std::size_t>(n));
            got = bytes.size();
        }
    }
    bytes.resize(got);
    return true;
}

bool readFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    struct stat st {};
    const int fd = openForReading(path, st, error);
    if (fd < 0) return false;
    const bool ok = readAll(fd, st, bytes, error);
    ::close(fd);
    return ok;
}

}  // namespace scrivane
