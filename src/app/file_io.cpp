#include "app/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace scrivane {
namespace {

std::string systemError(int err) {
    return std::strerror(err);
}

bool writeInPlace(const std::string& path, std::string_view bytes, std::string& error) {
    // Non-blocking open: a FIFO without a reader fails at once instead of hanging.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        error = systemError(errno);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemError(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

}  // namespace

std::string openingError(const std::string& description, const std::string& path) {
    return description + " opening " + path;
}

bool readDocumentFile(const std::string& path, std::string& text, LineEnds& ends,
                      std::string& error) {
    text.clear();
    struct stat st {};
    const int fd = openForReading(path, st, error);
    if (fd < 0) return false;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        const auto size = static_cast<std::size_t>(st.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            ::madvise(map, size, MADV_SEQUENTIAL);
            const std::string_view bytes(static_cast<const char*>(map), size);
            ends = detectLineEnds(bytes, platformLineEnds());
            text = toCrLf(bytes);
            ::munmap(map, size);
            ::close(fd);
            return true;
        }
    }
    // Pipes, empty files, or a file that cannot be mapped: read it whole.
    const bool ok = readAll(fd, st, text, error);
    ::close(fd);
    if (!ok) return false;
    ends = detectLineEnds(text, platformLineEnds());
    toCrLfInPlace(text);
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

bool writeFileSafely(const std::string& path, std::string_view bytes, std::string& error) {
    const QFileInfo info(QString::fromUtf8(path.c_str()));
    // Follow a symbolic link so that the link keeps pointing at the file we write.
    const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QFileInfo targetInfo(target);
    const std::string targetPath = target.toStdString();
    if (targetInfo.exists() && !targetInfo.isFile()) return writeInPlace(targetPath, bytes, error);
    if (::access(targetInfo.absolutePath().toLocal8Bit().constData(), W_OK) != 0) {
        // No temporary file can be made beside it: write in place.
        return writeInPlace(targetPath, bytes, error);
    }

    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    qint64 done = 0;
    const auto total = static_cast<qint64>(bytes.size());
    while (done < total) {
        const qint64 n = file.write(bytes.data() + done, total - done);
        if (n <= 0) {
            error = file.errorString().toStdString();
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace scrivane
