// The text read on a thread of its own: what is ready at any moment is a prefix of what reading
// the file whole gives, and the end is exactly that, whatever the caller waits for.
#include "files/text_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace scrivane {
namespace {

namespace fs = std::filesystem;

// A file of its own for each test: ctest runs them side by side.
std::string writeTemp(const std::string& bytes) {
    const std::string path =
        (fs::temp_directory_path() /
         ("text-reader-test-" +
          std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
            .string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(TextReader, ReadyTextGrowsIntoWhatReadingWholeGives) {
    std::mt19937 rng(5);
    static constexpr const char kAlphabet[] = {'a', 'b', ' ', '\r', '\n', '\xC3', '\xA9'};
    for (int round = 0; round < 12; ++round) {
        // Some cross the reader's 1 MB reads and 4 MB hand-overs (a CR LF split between two
        // reads included), some are empty or tiny.
        const std::size_t length = round < 3 ? round : rng() % (round % 3 == 0 ? 9 << 20 : 5000);
        std::string bytes(length, 'a');
        // Every fourth plain ASCII, so that its survey says UTF-8.
        const std::size_t letters = round % 4 == 1 ? 5 : sizeof kAlphabet;
        for (char& c : bytes) c = kAlphabet[rng() % letters];
        if (round == 3 && length > (1 << 20)) bytes.replace((1 << 20) - 1, 2, "\r\n");
        const DocumentText whole = readLineEnds(bytes, LineEnds::CrLf);
        const std::string path = writeTemp(bytes);
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        {
            TextReader reader(fd, bytes.size(), LineEnds::CrLf);
            std::size_t seen = 0;
            for (;;) {
                const TextReader::Ready ready =
                    reader.ready(seen + rng() % (8 << 20), std::chrono::milliseconds(rng() % 3));
                ASSERT_GE(ready.text.size(), seen) << round;
                ASSERT_EQ(ready.text, std::string_view(whole.text).substr(0, ready.text.size()))
                    << round;
                seen = ready.text.size();
                if (ready.finished) {
                    EXPECT_EQ(ready.fileBytes, bytes.size()) << round;
                    break;
                }
            }
            const TextReader::Outcome outcome = reader.take();
            EXPECT_EQ(outcome.error, "") << round;
            EXPECT_EQ(outcome.doc.text, whole.text) << round;
            EXPECT_EQ(outcome.doc.usual, whole.usual) << round;
            EXPECT_EQ(outcome.doc.breaks, whole.breaks) << round;
            // Taken piece by piece as read, the survey is that of the whole text.
            TextSurvey wholeSurvey;
            wholeSurvey.add(whole.text);
            EXPECT_EQ(outcome.survey.utf8(), wholeSurvey.utf8()) << round;
            EXPECT_EQ(outcome.survey.longestLine(), wholeSurvey.longestLine()) << round;
        }
        ::close(fd);
        fs::remove(path);
    }
}

TEST(TextReader, ErrorsAreToldAndAStopWaitsForNothing) {
    // Reading a directory fails at the first read.
    const int dir = ::open(fs::temp_directory_path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    {
        TextReader reader(dir, 4096, LineEnds::Lf);
        while (!reader.ready(1, std::chrono::milliseconds(10)).finished) {
        }
        EXPECT_EQ(reader.take().error, "Is a directory");
    }
    ::close(dir);
    // Dropped while it reads a long file (Escape): the thread stops and is waited for.
    const std::string path = writeTemp(std::string(12 << 20, '\n'));
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    { TextReader reader(fd, 12 << 20, LineEnds::Lf); }
    ::close(fd);
    fs::remove(path);
}

}  // namespace
}  // namespace scrivane
