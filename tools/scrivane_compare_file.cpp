#include "scrivane_compare_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/pure/line_ends.h"

namespace scrivane::compare_tool {

FileText::FileText(FileText&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      text_(std::move(other.text_)) {}

void FileText::normaliseLineEnds() {
    const std::string_view bytes = view();
    const std::size_t lone = firstLoneBreak(bytes);
    if (lone == bytes.size()) return;
    std::string text = toCrLf(bytes.substr(lone));
    text.insert(0, bytes.substr(0, lone));
    text_ = std::move(text);
    unmap();
}

void FileText::unmap() {
    if (map_ != nullptr) ::munmap(map_, size_);
    map_ = nullptr;
    size_ = 0;
}

std::optional<FileText> readFile(const std::string& path, std::string& error) {
    auto fail = [&](int code) {
        error = std::string(std::strerror(code)) + " opening " + path;
        return std::nullopt;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int code = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return fail(code);
    }
    FileText file;
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            ::close(fd);
            file.map_ = map;
            file.size_ = size;
            return file;
        }
    }
    // Not a regular file (a pipe, say), or one that cannot be mapped.
    char buffer[1 << 16];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return fail(code);
        }
        file.text_.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return file;
}

}  // namespace scrivane::compare_tool
