#include "files/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/pure/line_ends.h"

namespace scrivane {
namespace {

std::string systemError(int err) {
    return std::strerror(err);
}

// What a user is told about a name that is not a file to read: a directory in the system's
// words, anything else (a FIFO, a socket, a device) plainly.
std::string notRegularError(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? systemError(EISDIR) : "Not a regular file";
}

}  // namespace

ssize_t readSome(int fd, char* into, std::size_t length) {
    for (;;) {
        const ssize_t got = ::read(fd, into, length);
        if (got >= 0 || errno != EINTR) return got;
    }
}

int openForReading(const std::string& path, struct stat& st, std::string& error) {
    // Looked at before it is opened: opening a FIFO would release a writer waiting for a
    // reader, which then writes into a pipe that is closed at once.
    if (::stat(path.c_str(), &st) != 0) {
        error = systemError(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = notRegularError(st);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = systemError(errno);
        return -1;
    }
    // Checked again on what was opened: the name may have gone to something else meanwhile.
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        error = statted ? notRegularError(st) : systemError(errno);
        ::close(fd);
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

bool readFileAsCrLf(const std::string& path, std::string& text, std::string& error) {
    text.clear();
    struct stat st {};
    const int fd = openForReading(path, st, error);
    if (fd < 0) return false;
    const auto size = static_cast<std::size_t>(std::max<off_t>(st.st_size, 0));
    if (size <= text.max_size() / 2) text.reserve(2 * size);
    const bool ok = readAll(fd, st, text, error);
    ::close(fd);
    if (ok) fixlines(text);
    return ok;
}

}  // namespace scrivane
