// Reading files as bytes: only regular files are read; everything else is refused with words a
// user understands, at once, without touching it.
#include "files/file_bytes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace scrivane {
namespace {

namespace fs = std::filesystem;

class FileBytesTest : public ::testing::Test {
  protected:
    FileBytesTest() {
        std::string templ = (fs::temp_directory_path() / "file-bytes-XXXXXX").string();
        dir_ = ::mkdtemp(templ.data());
    }
    ~FileBytesTest() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }

    std::string dir_;
};

TEST_F(FileBytesTest, OnlyRegularFilesAreRead) {
    const std::string regular = write("text.txt", std::string("a\nb\0c", 5));
    const std::string empty = write("empty.txt", "");
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = path("socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink(regular, path("to-text"));
    fs::create_symlink(fifo, path("to-fifo"));
    fs::create_symlink(path("gone"), path("dangling"));
    // A FIFO that a writer holds open would be read until the writer lets go: here after
    // three seconds at the latest, or as soon as the cases are done.
    const std::string heldFifo = path("held-fifo");
    ASSERT_EQ(::mkfifo(heldFifo.c_str(), 0600), 0);
    const int writer = ::open(heldFifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::thread letGo([&] {
        std::unique_lock lock(mutex);
        doneChanged.wait_for(lock, std::chrono::seconds(3), [&] { return done; });
        ::close(writer);
    });

    const struct {
        std::string path;
        bool ok;
        std::string bytes;
        std::string error;
    } cases[] = {
        {regular, true, std::string("a\nb\0c", 5), ""},
        {empty, true, "", ""},
        {path("to-text"), true, std::string("a\nb\0c", 5), ""},
        {dir_, false, "", "Is a directory"},
        {fifo, false, "", "Not a regular file"},
        {heldFifo, false, "", "Not a regular file"},
        {path("to-fifo"), false, "", "Not a regular file"},
        {socketPath, false, "", "Not a regular file"},
        {"/dev/null", false, "", "Not a regular file"},
        {"/dev/zero", false, "", "Not a regular file"},
        {path("missing"), false, "", "No such file or directory"},
        {path("dangling"), false, "", "No such file or directory"},
        {regular + "/below", false, "", "Not a directory"},
    };
    for (const auto& c : cases) {
        std::string bytes = "stale";
        std::string error;
        EXPECT_EQ(readFileBytes(c.path, bytes, error), c.ok) << c.path;
        EXPECT_EQ(bytes, c.bytes) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
    }
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    doneChanged.notify_one();
    letGo.join();
    ::close(sock);
}

// Found but not readable: the system's words. Root reads every file, so as root the read is
// tried by a child that has become nobody.
TEST_F(FileBytesTest, AnUnreadableFileGivesTheSystemsWords) {
    const std::string locked = write("locked.txt", "secret");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);  // the name can be looked up, the file not read
    const auto refused = [&] {
        std::string bytes;
        std::string error;
        return !readFileBytes(locked, bytes, error) && error == "Permission denied";
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused());
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(refused() ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A program waiting to write into a FIFO is not let go by a look at it: opened and closed
// again, it would write into a pipe without a reader.
TEST_F(FileBytesTest, AWriterWaitingOnAFifoKeepsWaiting) {
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> opened{false};
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);  // waits for a reader
        opened = true;
        if (fd >= 0) ::close(fd);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the writer is waiting
    std::string bytes;
    std::string error;
    EXPECT_FALSE(readFileBytes(fifo, bytes, error));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(opened);
    // Our own reader lets it go.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    ::close(reader);
}

TEST_F(FileBytesTest, TextIsReadWithEveryBreakAsCrLf) {
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"", ""},
        {"no break", "no break"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\rb\r\nc\n\r", "a\r\nb\r\nc\r\n\r\n"},
        {"\n\n\n", "\r\n\r\n\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {std::string("\0\n\0", 3), std::string("\0\r\n\0", 4)},
    };
    for (const auto& c : cases) {
        std::string text = "stale";
        std::string error;
        EXPECT_TRUE(readFileAsCrLf(write("t.txt", c.bytes), text, error)) << error;
        EXPECT_EQ(text, c.text);
    }
    std::string text = "stale";
    std::string error;
    EXPECT_FALSE(readFileAsCrLf(path("missing"), text, error));
    EXPECT_EQ(text, "");
    EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace scrivane
