#include "recovery/recovery_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "files/file_bytes.h"
#include "recovery/checksum.h"
#include "recovery/first_version_checksum.h"

namespace scrivane {
namespace {

constexpr const char* kSuffix = ".recovery";
constexpr const char* kTemporarySuffix = ".tmp";
constexpr const char* kDamagedSuffix = ".damaged";

std::string systemError(int err) {
    return std::strerror(err);
}

std::string hexOf(std::uint64_t v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4) out[static_cast<std::size_t>(i)] = kDigits[v & 15];
    return out;
}

// The part of a file name every process's file for the document shares.
std::string prefixFor(std::string_view docPath) {
    return hexOf(checksumOf(docPath)) + "-";
}

// The same part as editors that wrote the first version of these files named them.
std::string firstVersionPrefixFor(std::string_view docPath) {
    return hexOf(firstVersionChecksumOf(docPath)) + "-";
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

// The process that a temporary's name ("<key>-<pid>-<start>.recovery.tmp") says wrote it.
bool temporaryOwner(std::string_view name, ProcessIdentity& owner) {
    const std::string tail = std::string(kSuffix) + kTemporarySuffix;
    if (!endsWith(name, tail)) return false;
    name.remove_suffix(tail.size());
    const auto lastDash = name.rfind('-');
    if (lastDash == std::string_view::npos || lastDash == 0) return false;
    const auto pidDash = name.rfind('-', lastDash - 1);
    if (pidDash == std::string_view::npos) return false;
    const auto number = [](std::string_view digits, auto& value) {
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return !digits.empty() && ec == std::errc() && end == digits.data() + digits.size();
    };
    return number(name.substr(pidDash + 1, lastDash - pidDash - 1), owner.pid) &&
           number(name.substr(lastDash + 1), owner.startTicks);
}

bool writeAll(int fd, std::string_view bytes, Checksum& sum, std::string& error) {
    sum.add(bytes);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemError(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// One directory level: made private, or checked to be a private directory of this user.
bool ensurePrivateDir(const std::string& dir, bool mustBePrivate, std::string& error) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = systemError(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        error = systemError(errno);
        return false;
    }
    if (!mustBePrivate) {
        if (S_ISDIR(st.st_mode)) return true;
        // A parent may be a link to a directory (a home on another disk, for instance).
        if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
        error = systemError(ENOTDIR);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = systemError(ENOTDIR);
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        error = systemError(EPERM);
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

// Opens one of our own recovery files for reading: never through a link, never blocking,
// and only a regular file owned by this user.
int openOwnFile(const std::string& file, struct stat& st, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        error = systemError(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        error = systemError(EPERM);
        ::close(fd);
        return -1;
    }
    return fd;
}

bool readExactly(int fd, std::string& bytes, std::size_t count) {
    bytes.resize(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, bytes.data() + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return done == count;
}

}  // namespace

std::string recoveryKey(std::string_view docPath) {
    if (docPath.empty()) return {};
    const std::string path(docPath);
    if (std::string file = resolved(path); !file.empty()) return file;
    // Not made yet: its directory, resolved, and its own name.
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (std::string real = resolved(dir.empty() ? "/" : dir); !real.empty()) {
        return (real == "/" ? "" : real) + path.substr(slash == std::string::npos ? 0 : slash);
    }
    return path;
}

bool sameDocument(std::string_view a, std::string_view b) {
    return a == b || (!a.empty() && !b.empty() && recoveryKey(a) == recoveryKey(b));
}

std::string defaultRecoveryDir() {
    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/') {
        state = xdg;
    } else {
        const char* home = std::getenv("HOME");
        std::string base = home && home[0] == '/' ? home : "";
        if (base.empty()) {
            if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) base = pw->pw_dir;
        }
        if (base.empty()) base = "/tmp";
        state = base + "/.local/state";
    }
    return state + "/Scrivane/recovery";
}

bool RecoveryStore::prepare(std::string& error) const {
    if (dir_.empty() || dir_.front() != '/') {
        error = systemError(ENOENT);
        return false;
    }
    // Missing parents are made private too, as the user's state directory should be.
    for (std::size_t slash = dir_.find('/', 1); slash != std::string::npos;
         slash = dir_.find('/', slash + 1)) {
        if (!ensurePrivateDir(dir_.substr(0, slash), false, error)) return false;
    }
    if (!ensurePrivateDir(dir_, true, error)) return false;
    removeStaleTemporaries();
    return true;
}

void RecoveryStore::removeStaleTemporaries() const {
    DIR* dir = ::opendir(dir_.c_str());
    if (!dir) return;
    const std::int64_t booted = bootTime();
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        ProcessIdentity owner;
        if (!temporaryOwner(entry->d_name, owner)) continue;
        const std::string file = dir_ + "/" + entry->d_name;
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (!isRunning(owner) || st.st_ctime < booted) stale.push_back(file);
    }
    ::closedir(dir);
    for (const std::string& file : stale) ::unlink(file.c_str());
}

std::string RecoveryStore::fileFor(std::string_view docPath, const ProcessIdentity& owner) const {
    return dir_ + "/" + prefixFor(recoveryKey(docPath)) + std::to_string(owner.pid) + "-" +
           std::to_string(owner.startTicks) + kSuffix;
}

std::string RecoveryStore::writeTemporary(const std::string& file, RecoveryHeader header,
                                          std::string_view path, std::string_view text,
                                          const std::vector<TextRun>& runs,
                                          const std::vector<LineBreak>& breaks,
                                          std::string& error) const {
    const std::string temporary = file + kTemporarySuffix;
    // Left over from a write that was cut short: only this process writes this name.
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = systemError(errno);
        return {};
    }
    header.pathLength = path.size();
    header.textLength = text.size();
    header.runCount = runs.size();
    header.breakCount = breaks.size();
    Checksum sum;
    bool ok = writeAll(fd, encodeRecoveryHeader(header), sum, error) &&
              writeAll(fd, path, sum, error) && writeAll(fd, text, sum, error) &&
              writeAll(fd, encodeRecoveryMarking(runs, breaks), sum, error);
    if (ok) {
        std::string trailer;
        const std::uint64_t value = sum.value();
        for (int i = 0; i < 8; ++i) trailer += static_cast<char>((value >> (8 * i)) & 0xFF);
        Checksum unused;
        ok = writeAll(fd, trailer, unused, error);
    }
    if (ok && ::fsync(fd) != 0) {
        error = systemError(errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = systemError(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return {};
    }
    return temporary;
}

bool RecoveryStore::commit(const std::string& temporary, const std::string& file,
                           std::string& error) const {
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        error = systemError(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself must reach the disk, or a crash could bring back the old file.
    const int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0 || (::fsync(dirFd) != 0 && errno != EINVAL)) {
        error = systemError(errno);
        if (dirFd >= 0) ::close(dirFd);
        return false;
    }
    ::close(dirFd);
    return true;
}

std::vector<RecoveryStore::Found> RecoveryStore::find(std::string_view docPath) const {
    std::vector<Found> found;
    DIR* dir = ::opendir(dir_.c_str());
    if (!dir) return found;
    // Named by the file itself; editors that wrote the first version named them by their own
    // checksum of it, or of the path as typed.
    const std::string key = recoveryKey(docPath);
    const std::string prefixes[] = {prefixFor(key), firstVersionPrefixFor(key),
                                    firstVersionPrefixFor(docPath)};
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        const auto named = [name](const std::string& prefix) { return name.starts_with(prefix); };
        if (std::none_of(std::begin(prefixes), std::end(prefixes), named) ||
            !endsWith(name, kSuffix)) {
            continue;
        }
        Found f;
        f.file = dir_ + "/" + std::string(name);
        struct stat st {};
        std::string error;
        const int fd = openOwnFile(f.file, st, error);
        if (fd < 0) continue;  // not ours, or gone meanwhile: nothing to offer
        std::string head;
        std::string path;
        const bool readable = readExactly(fd, head, kRecoveryHeaderSize);
        f.damaged = !readable || !decodeRecoveryHeader(head, f.header) ||
                    recoveryFileSize(f.header) != static_cast<std::uint64_t>(st.st_size) ||
                    !readExactly(fd, path, f.header.pathLength);
        ::close(fd);
        if (!f.damaged && path != docPath && (path.empty() || recoveryKey(path) != key)) continue;
        found.push_back(std::move(f));
    }
    ::closedir(dir);
    return found;
}

bool RecoveryStore::read(const std::string& file, RecoveryRecord& record,
                         std::string& error) const {
    error.clear();
    struct stat st {};
    const int fd = openOwnFile(file, st, error);
    if (fd < 0) return false;
    std::string bytes;
    const bool ok = readAll(fd, st, bytes, error);
    ::close(fd);
    if (!ok) return false;
    return decodeRecoveryFile(std::move(bytes), record);
}

bool RecoveryStore::remove(const std::string& file) const {
    return ::unlink(file.c_str()) == 0 || errno == ENOENT;
}

std::string RecoveryStore::moveAside(const std::string& file) const {
    const std::string aside = file + kDamagedSuffix;
    return ::rename(file.c_str(), aside.c_str()) == 0 ? aside : std::string();
}

}  // namespace scrivane
