#include "app/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace scrivane {
namespace {

std::string systemError(int err) {
    return std::strerror(err);
}

}  // namespace

std::string openingError(const std::string& description, const std::string& path) {
    return description + " opening " + path;
}

bool readDocumentFile(const std::string& path, DocumentText& doc, std::string& error) {
    struct stat st {};
    const int fd = openForReading(path, st, error);
    if (fd < 0) return false;
    std::string bytes;
    // Room for the CR that every lone LF gains, so the breaks are widened where the bytes
    // lie; pages that stay unused are never touched.
    const auto size = static_cast<std::size_t>(st.st_size);
    bytes.reserve(size + size / 8 + 64);
    const bool ok = readAll(fd, st, bytes, error);
    ::close(fd);
    if (!ok) return false;
    doc = readLineEnds(std::move(bytes), platformLineEnds());
    return true;
}

bool checkWritable(const std::string& path, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = systemError(EISDIR);
            return false;
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            error = systemError(errno);
            return false;
        }
        ::close(fd);
        return true;
    }
    if (errno != ENOENT) {
        error = systemError(errno);
        return false;
    }
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (dir.empty()) dir = ".";
    struct stat dst {};
    if (::stat(dir.c_str(), &dst) != 0) {
        error = systemError(errno);
        return false;
    }
    if (!S_ISDIR(dst.st_mode)) {
        error = systemError(ENOTDIR);
        return false;
    }
    if (::access(dir.c_str(), W_OK) != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

}  // namespace scrivane
