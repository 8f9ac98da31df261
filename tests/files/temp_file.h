#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace scrivane {

// A file of the running test's own, open for reading; closed and removed when it goes. Its
// name is the test's and the process's: ctest runs tests side by side.
class TempFile {
  public:
    explicit TempFile(const std::string& bytes) : path_(pathFor(testName())) {
        std::ofstream(path_, std::ios::binary) << bytes;
        fd_ = ::open(path_.c_str(), O_RDONLY);
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        std::filesystem::remove(path_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }

  private:
    static std::string testName() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(test->test_suite_name()) + "." + test->name();
    }
    static std::string pathFor(const std::string& name) {
        return (std::filesystem::temp_directory_path() /
                ("scrivane-" + name + "-" + std::to_string(::getpid())))
            .string();
    }

    std::string path_;
    int fd_ = -1;
};

// `length` bytes of letters, blanks, CRs, LFs and a two-byte UTF-8 character, or with
// `asciiOnly` of plain ASCII alone, so that a survey of them says UTF-8.
inline std::string mixedBytes(std::mt19937& rng, std::size_t length, bool asciiOnly) {
    static constexpr const char kAlphabet[] = {'a', 'b', ' ', '\r', '\n', '\xC3', '\xA9'};
    const std::size_t letters = asciiOnly ? 5 : sizeof kAlphabet;
    std::string bytes(length, 'a');
    for (char& c : bytes) c = kAlphabet[rng() % letters];
    return bytes;
}

}  // namespace scrivane
