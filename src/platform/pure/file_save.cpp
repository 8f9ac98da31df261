#include "platform/pure/file_save.h"

#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/pure/file_system.h"

namespace scrivane {
namespace {

std::string systemError(int err) {
    return std::strerror(err);
}

// Writing past a file-size limit must fail with EFBIG rather than end the process.
void ignoreFileSizeSignal() {
    static const bool ignored = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

// Closes a descriptor when it goes out of scope, unless released.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting the error a delayed write may only tell here.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes, std::string& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemError(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool flushAndClose(Descriptor& fd, std::string& error) {
    if (::fsync(fd.get()) != 0 && errno != EINVAL) {
        error = systemError(errno);
        return false;
    }
    if (fd.close() != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

std::string dirOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void syncDir(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool isOurGroup(gid_t gid) {
    if (gid == ::getegid()) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid) return true;
    }
    return false;
}

// The file a name leads to: symbolic links followed, so that a link keeps pointing at the file
// it names. A name that leads nowhere yet is used as it is.
std::string followLinks(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    return path;
}

// A directory-relative temporary name beside `target`, created exclusively. -1 when the
// directory takes no new file.
int makeTemporary(const std::string& target, std::string& name) {
    const std::string dir = dirOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    name = (dir == "/" ? "" : dir) + "/." + base + ".scrivane-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    name.assign(pattern.data(), name.size());
    return fd;
}

// New content through a temporary file renamed over `target`. `st` describes the existing
// file, or is null for a new one. False with `renameRefused` when the directory would not
// take the temporary file or the rename, so that writing in place may still do.
bool replaceByRename(const std::string& target, const struct stat* st, std::string_view bytes,
                     std::string& error, bool& renameRefused) {
    renameRefused = false;
    std::string temporary;
    Descriptor fd(makeTemporary(target, temporary));
    if (fd.get() < 0) {
        renameRefused = errno == EACCES || errno == EPERM || errno == EROFS;
        error = systemError(errno);
        return false;
    }
    const auto fail = [&](int err) {
        error = systemError(err);
        ::unlink(temporary.c_str());
        return false;
    };
    if (st != nullptr) {
        if (::fchmod(fd.get(), st->st_mode & 07777) != 0) return fail(errno);
        struct stat made {};
        if (::fstat(fd.get(), &made) != 0) return fail(errno);
        if ((made.st_uid != st->st_uid || made.st_gid != st->st_gid) &&
            ::fchown(fd.get(), st->st_uid, st->st_gid) != 0) {
            renameRefused = true;
            return fail(errno);
        }
        // Set-id bits are cleared by a change of owner: put them back.
        if (::fchmod(fd.get(), st->st_mode & 07777) != 0) return fail(errno);
    } else {
        // A new file gets what the process's umask leaves of rw-rw-rw-, as open() would give.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd.get(), 0666 & ~mask) != 0) return fail(errno);
    }
    if (!writeAll(fd.get(), bytes, error) || !flushAndClose(fd, error)) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        renameRefused = errno == EACCES || errno == EPERM || errno == EBUSY;
        return fail(errno);
    }
    syncDir(dirOf(target));
    return true;
}

// Copies what `fd` holds from its start into a new private file, flushed. Returns the copy's
// name, or "" with `error`.
std::string backUp(int fd, std::string& error) {
    const std::string dir = saveBackupDir();
    if (!makeDirs(dir, 0700)) {
        error = systemError(errno);
        return {};
    }
    std::string name = dir + "/old-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    Descriptor copy(::mkostemp(pattern.data(), O_CLOEXEC));
    name.assign(pattern.data(), name.size());
    if (copy.get() < 0) {
        error = systemError(errno);
        return {};
    }
    std::vector<char> buffer(1 << 20);
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 ||
            (n > 0 &&
             !writeAll(copy.get(), std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                       error))) {
            if (n < 0) error = systemError(errno);
            ::unlink(name.c_str());
            return {};
        }
        if (n == 0) break;
        at += n;
    }
    if (!flushAndClose(copy, error)) {
        ::unlink(name.c_str());
        return {};
    }
    return name;
}

// Makes `fd` hold exactly `bytes`, flushed.
bool overwrite(int fd, std::string_view bytes, std::string& error) {
    if (::lseek(fd, 0, SEEK_SET) != 0 || !writeAll(fd, bytes, error)) {
        if (error.empty()) error = systemError(errno);
        return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

bool replaceInPlace(const std::string& target, std::string_view bytes, std::string& error) {
    Descriptor fd(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        error = systemError(errno);
        return false;
    }
    const std::string copy = backUp(fd.get(), error);
    if (copy.empty()) return false;
    if (overwrite(fd.get(), bytes, error)) {
        if (fd.close() != 0) {
            error = systemError(errno);
            return false;
        }
        ::unlink(copy.c_str());
        return true;
    }
    // Put the old content back; only if that fails too is the copy left for the user.
    std::string old;
    std::string ignored;
    Descriptor saved(::open(copy.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    bool restored = false;
    if (saved.get() >= 0 && ::fstat(saved.get(), &st) == 0) {
        old.resize(static_cast<std::size_t>(st.st_size));
        restored = ::pread(saved.get(), old.data(), old.size(), 0) == st.st_size &&
                   overwrite(fd.get(), old, ignored);
    }
    if (restored) {
        ::unlink(copy.c_str());
    } else {
        error += "; the old content is kept in " + copy;
    }
    return false;
}

// Devices and FIFOs: written as they are, without blocking on a FIFO nobody reads.
bool writeStream(const std::string& target, std::string_view bytes, std::string& error) {
    Descriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        error = systemError(errno);
        return false;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    if (!writeAll(fd.get(), bytes, error)) return false;
    if (fd.close() != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

}  // namespace

SaveWay chooseSaveWay(const struct stat& st, unsigned uid, bool inOurGroups, bool dirWritable) {
    if (!dirWritable || st.st_nlink > 1) return SaveWay::InPlace;
    if (uid == 0) return SaveWay::Rename;  // the superuser can give the new file any owner
    return st.st_uid == uid && inOurGroups ? SaveWay::Rename : SaveWay::InPlace;
}

std::string saveBackupDir() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/scrivane/saving";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/state/scrivane/saving";
    return "/tmp/scrivane-" + std::to_string(::getuid()) + "/saving";
}

bool saveFileBytes(const std::string& path, std::string_view bytes, std::string& error) {
    ignoreFileSizeSignal();
    error.clear();
    const std::string target = followLinks(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            error = systemError(errno);
            return false;
        }
        bool refused = false;
        return replaceByRename(target, nullptr, bytes, error, refused);
    }
    if (S_ISDIR(st.st_mode)) {
        error = systemError(EISDIR);
        return false;
    }
    if (!S_ISREG(st.st_mode)) return writeStream(target, bytes, error);
    const bool dirWritable = ::access(dirOf(target).c_str(), W_OK) == 0;
    if (chooseSaveWay(st, ::geteuid(), isOurGroup(st.st_gid), dirWritable) == SaveWay::Rename) {
        bool refused = false;
        if (replaceByRename(target, &st, bytes, error, refused)) return true;
        if (!refused) return false;
    }
    error.clear();
    return replaceInPlace(target, bytes, error);
}

}  // namespace scrivane
