#include "files/file_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <future>
#include <random>
#include <vector>

#include "files/file_bytes.h"
#include "files/file_system.h"

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

// Hears the bytes written so far.
using Told = std::function<void(std::uint64_t)>;

// Writes `piece` whole, in pieces of its own when someone follows the progress, so that it
// hears of each; `written` counts the bytes of the whole file.
bool writePiece(int fd, std::string_view piece, std::string& error, const Told& progress,
                std::uint64_t& written) {
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    std::size_t done = 0;
    while (done < piece.size()) {
        const std::size_t want =
            progress ? std::min(kPiece, piece.size() - done) : piece.size() - done;
        const ssize_t n = ::write(fd, piece.data() + done, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemError(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
        written += static_cast<std::uint64_t>(n);
        if (progress) progress(written);
    }
    return true;
}

bool writeAll(int fd, const ByteSource& source, std::string& error, const Told& progress,
              std::uint64_t& written) {
    written = 0;
    return source(
        [&](std::string_view piece) { return writePiece(fd, piece, error, progress, written); });
}

ByteSource wholeBytes(std::string_view bytes) {
    return [bytes](const PieceSink& sink) { return sink(bytes); };
}

// fsync(fd), 0 or the error. Someone following the progress goes on hearing the bytes
// written while the flush runs on a thread of its own: flushing a large file takes seconds,
// and a window that follows keeps painting meanwhile.
int flushFile(int fd, const Told& progress, std::uint64_t written) {
    const auto flush = [fd] { return ::fsync(fd) == 0 ? 0 : errno; };
    if (!progress) return flush();
    auto flushed = std::async(std::launch::async, flush);
    while (flushed.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        progress(written);
    return flushed.get();
}

bool flushAndClose(Descriptor& fd, std::string& error, const Told& progress = {},
                   std::uint64_t written = 0) {
    if (const int err = flushFile(fd.get(), progress, written); err != 0 && err != EINVAL) {
        error = systemError(err);
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

// Opens a directory for calls relative to it: for reading where allowed, so that what is
// renamed in it can be flushed (`flushable`), otherwise only as a place.
int openDirectory(const std::string& dir, bool& flushable) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    flushable = fd >= 0;
    if (fd < 0 && errno == EACCES) fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
}

// Makes the directory's entries (a rename, a new file) reach the disk.
bool flushDirectory(int dirFd, std::string& error) {
    if (::fsync(dirFd) != 0 && errno != EINVAL) {
        error = systemError(errno);
        return false;
    }
    return true;
}

bool flushDirectory(const std::string& dir, std::string& error) {
    bool flushable = false;
    Descriptor fd(openDirectory(dir, flushable));
    if (!flushable) {
        error = systemError(errno);
        return false;
    }
    return flushDirectory(fd.get(), error);
}

constexpr std::string_view kTemporaryPrefix = ".scrivane-";
constexpr std::size_t kRandomPart = 6;

// The boot of `who` in a name: a directory may be shared with other machines, whose
// processes this one cannot see.
std::string bootTag(const ProcessIdentity& who) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string tag;
    for (std::size_t i = 0; i < 4; ++i) {
        tag += kDigits[who.bootId[i] >> 4];
        tag += kDigits[who.bootId[i] & 15];
    }
    return tag;
}

// A temporary name of this process, created exclusively in `dirFd`. Its length does not
// depend on the saved file's, so every name the file system takes can be saved. -1 when the
// directory takes no new file.
int makeTemporary(int dirFd, const std::string& stem, std::string& name) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::mt19937 rng(device());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem;
        for (std::size_t i = 0; i < kRandomPart; ++i) name += kLetters[rng() % 62];
        const int fd =
            ::openat(dirFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The process a temporary's name says made it; false for any other name.
bool parseTemporary(std::string_view name, std::string& tag, ProcessIdentity& who) {
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) return false;
    name.remove_prefix(kTemporaryPrefix.size());
    const auto field = [&](std::string_view& out) {
        const auto dash = name.find('-');
        if (dash == std::string_view::npos || dash == 0) return false;
        out = name.substr(0, dash);
        name.remove_prefix(dash + 1);
        return true;
    };
    std::string_view boot, pid, ticks;
    if (!field(boot) || !field(pid) || !field(ticks) || boot.size() != 8 ||
        name.size() != kRandomPart) {
        return false;
    }
    const auto number = [](std::string_view digits, auto& value) {
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return ec == std::errc() && end == digits.data() + digits.size();
    };
    tag.assign(boot);
    return number(pid, who.pid) && number(ticks, who.startTicks);
}

// Earlier versions named a temporary after the file: ".NAME.scrivane-XXXXXX".
bool isOldTemporary(std::string_view name, const std::string& savedName) {
    const std::string head = "." + savedName + ".scrivane-";
    return name.size() == head.size() + kRandomPart && name.substr(0, head.size()) == head;
}

void removeStaleTemporariesIn(int dirFd, const std::string& savedName, const ProcessIdentity& self,
                              std::int64_t booted) {
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return;
    }
    const std::string ourTag = bootTag(self);
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        std::string tag;
        ProcessIdentity who;
        const bool ours = parseTemporary(name, tag, who);
        if (!ours && !isOldTemporary(name, savedName)) continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            continue;
        }
        // A name that says which process made it is stale once that process has ended; any
        // is stale when it was last changed before the system started.
        who.bootId = self.bootId;
        const bool ended = ours && tag == ourTag && !isRunning(who);
        if (ended || st.st_ctime < booted) stale.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : stale) ::unlinkat(dirFd, name.c_str(), 0);
}

// The extended attributes' names of a file, as one of the list calls gives them. False when
// they cannot be read; a file system without attributes has none.
template <typename List>
bool attributeNames(List list, std::vector<std::string>& names) {
    names.clear();
    std::vector<char> buffer;
    for (;;) {
        const ssize_t size = list(nullptr, 0);
        if (size < 0) return errno == ENOTSUP;
        buffer.resize(static_cast<std::size_t>(size));
        const ssize_t got = list(buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE) continue;  // grew meanwhile
        if (got < 0) return false;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const std::string name(buffer.data() + at);
            at += name.size() + 1;
            if (!name.empty()) names.push_back(name);
        }
        return true;
    }
}

bool attributeValue(const std::string& file, const std::string& name, std::string& value) {
    for (;;) {
        const ssize_t size = ::lgetxattr(file.c_str(), name.c_str(), nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::lgetxattr(file.c_str(), name.c_str(), value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        value.resize(static_cast<std::size_t>(got));
        return true;
    }
}

// Gives the temporary `to` exactly the extended attributes of the file `from`: its ACL
// (system.posix_acl_access), security labels, user attributes. Attributes `to` was born with
// (a directory's default ACL, say) that `from` lacks go. False when that cannot be done
// fully: a rename would then lose or add something.
bool copyAttributes(const std::string& from, int to) {
    std::vector<std::string> names;
    std::vector<std::string> present;
    if (!attributeNames(
            [&](char* list, std::size_t size) { return ::llistxattr(from.c_str(), list, size); },
            names) ||
        !attributeNames([&](char* list, std::size_t size) { return ::flistxattr(to, list, size); },
                        present)) {
        return false;
    }
    std::string value;
    for (const std::string& name : names) {
        // Integrity hashes of the old content would be false on the new: written in place,
        // the file has the system bring them up to date.
        if (name == "security.ima" || name == "security.evm") return false;
        if (!attributeValue(from, name, value) ||
            ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
            return false;
        }
    }
    for (const std::string& name : present) {
        if (std::find(names.begin(), names.end(), name) == names.end() &&
            ::fremovexattr(to, name.c_str()) != 0) {
            return false;
        }
    }
    return true;
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

// New content through a temporary file renamed over `target`. `st` describes the existing
// file, or is null for a new one. False with `renameRefused` when that would not keep the
// file as it was (the directory takes no temporary file or refuses the rename, or may not be
// read to flush the rename; an attribute cannot be copied), so that writing in place may
// still do.
bool replaceByRename(const std::string& target, const struct stat* st, const ByteSource& bytes,
                     const Told& progress, std::string& error, bool& renameRefused) {
    renameRefused = false;
    bool flushable = false;
    Descriptor dir(openDirectory(dirOf(target), flushable));
    if (dir.get() < 0) {
        error = systemError(errno);
        return false;
    }
    if (!flushable && st != nullptr) {
        // Written in place, the existing file is durable without its directory.
        renameRefused = true;
        error = systemError(EACCES);
        return false;
    }
    const std::string base = fileNameOf(target);
    std::string temporary;
    Descriptor fd(makeTemporary(dir.get(), saveTemporaryStem(currentProcess()), temporary));
    if (fd.get() < 0) {
        renameRefused = errno == EACCES || errno == EPERM || errno == EROFS ||
                        errno == ENAMETOOLONG || errno == EEXIST;
        error = systemError(errno);
        return false;
    }
    const auto fail = [&](int err) {
        error = systemError(err);
        ::unlinkat(dir.get(), temporary.c_str(), 0);
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
        if (!copyAttributes(target, fd.get())) {
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
    std::uint64_t written = 0;
    if (!writeAll(fd.get(), bytes, error, progress, written) ||
        !flushAndClose(fd, error, progress, written)) {
        ::unlinkat(dir.get(), temporary.c_str(), 0);
        return false;
    }
    if (::renameat(dir.get(), temporary.c_str(), dir.get(), base.c_str()) != 0) {
        renameRefused = errno == EACCES || errno == EPERM || errno == EBUSY;
        return fail(errno);
    }
    // The rename must reach the disk too, or a crash could bring the old file back. A new
    // file in a directory we may not read cannot be flushed: it is there, unflushed.
    return !flushable || flushDirectory(dir.get(), error);
}

// What `fd` holds from its start, read a megabyte at a time. A read error stops it with false,
// errno telling why.
ByteSource contentOf(int fd) {
    return [fd](const PieceSink& sink) {
        std::vector<char> buffer(1 << 20);
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n == 0;
            if (!sink(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return false;
            at += n;
        }
    };
}

// Copies what `fd` holds from its start into a new private file, flushed, telling `copied` the
// bytes copied as it goes. Returns the copy's name, or "" with `error`.
std::string backUp(int fd, std::string& error, const Told& copied) {
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
    std::uint64_t written = 0;
    if (!writeAll(copy.get(), contentOf(fd), error, copied, written)) {
        if (error.empty()) error = systemError(errno);  // the read failed
        ::unlink(name.c_str());
        return {};
    }
    // The copy's name must reach the disk before the file is overwritten.
    if (!flushAndClose(copy, error, copied, written) || !flushDirectory(dir, error)) {
        ::unlink(name.c_str());
        return {};
    }
    return name;
}

// Makes `fd` hold exactly `bytes`, flushed.
bool overwrite(int fd, const ByteSource& bytes, std::string& error, const Told& progress = {}) {
    std::uint64_t written = 0;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !writeAll(fd, bytes, error, progress, written)) {
        if (error.empty()) error = systemError(errno);
        return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(written)) != 0) {
        error = systemError(errno);
        return false;
    }
    if (const int err = flushFile(fd, progress, written); err != 0) {
        error = systemError(err);
        return false;
    }
    return true;
}

bool replaceInPlace(const std::string& target, const ByteSource& bytes,
                    const WriteProgress& progress, std::string& error) {
    Descriptor fd(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        error = systemError(errno);
        return false;
    }
    // The copy of the old content takes as long as the writing: it is told too.
    struct stat st {};
    const std::uint64_t oldSize = ::fstat(fd.get(), &st) == 0
                                      ? static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0))
                                      : 0;
    Told copied;
    Told written;
    if (progress) {
        copied = [&](std::uint64_t n) { progress({0, std::min(n, oldSize), oldSize}); };
        written = [&](std::uint64_t n) { progress({n, oldSize, oldSize}); };
    }
    const std::string copy = backUp(fd.get(), error, copied);
    if (copy.empty()) return false;
    if (overwrite(fd.get(), bytes, error, written)) {
        if (fd.close() != 0) {
            error = systemError(errno);
            return false;
        }
        ::unlink(copy.c_str());
        return true;
    }
    // Put the old content back, a piece at a time (it may be larger than memory allows, or
    // than one read gives); only if that fails too is the copy left for the user.
    Descriptor saved(::open(copy.c_str(), O_RDONLY | O_CLOEXEC));
    std::string ignored;
    const bool restored = saved.get() >= 0 && overwrite(fd.get(), contentOf(saved.get()), ignored);
    if (restored) {
        ::unlink(copy.c_str());
    } else {
        error += "; the old content is kept in " + copy;
    }
    return false;
}

// Devices and FIFOs: written as they are, without blocking on a FIFO nobody reads.
bool writeStream(const std::string& target, const ByteSource& bytes, const Told& progress,
                 std::string& error) {
    Descriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        error = systemError(errno);
        return false;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    std::uint64_t written = 0;
    if (!writeAll(fd.get(), bytes, error, progress, written)) return false;
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

std::string saveTemporaryStem(const ProcessIdentity& who) {
    return std::string(kTemporaryPrefix) + bootTag(who) + "-" + std::to_string(who.pid) + "-" +
           std::to_string(who.startTicks) + "-";
}

void removeStaleTemporaries(const std::string& dir, const std::string& savedName,
                            const ProcessIdentity& self, std::int64_t booted) {
    bool flushable = false;
    Descriptor fd(openDirectory(dir, flushable));
    if (flushable) removeStaleTemporariesIn(fd.get(), savedName, self, booted);
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

bool saveFileBytes(const std::string& path, std::string_view bytes, std::string& error,
                   const WriteProgress& progress) {
    return saveFileBytes(path, wholeBytes(bytes), error, progress);
}

bool saveFileBytes(const std::string& path, const ByteSource& bytes, std::string& error,
                   const WriteProgress& progress) {
    Told written;
    if (progress) written = [&progress](std::uint64_t n) { progress({n, 0, 0}); };
    ignoreFileSizeSignal();
    error.clear();
    const std::string target = followLinks(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        error = systemError(errno);
        return false;
    }
    if (!exists || S_ISREG(st.st_mode)) {
        removeStaleTemporaries(dirOf(target), fileNameOf(target), currentProcess(), bootTime());
    }
    if (!exists) {
        bool refused = false;
        return replaceByRename(target, nullptr, bytes, written, error, refused);
    }
    if (S_ISDIR(st.st_mode)) {
        error = systemError(EISDIR);
        return false;
    }
    if (!S_ISREG(st.st_mode)) return writeStream(target, bytes, written, error);
    const bool dirWritable = ::access(dirOf(target).c_str(), W_OK) == 0;
    if (chooseSaveWay(st, ::geteuid(), isOurGroup(st.st_gid), dirWritable) == SaveWay::Rename) {
        bool refused = false;
        if (replaceByRename(target, &st, bytes, written, error, refused)) return true;
        if (!refused) return false;
    }
    error.clear();
    return replaceInPlace(target, bytes, progress, error);
}

}  // namespace scrivane
