// The text read on a thread of its own: what is ready at any moment is a prefix of what reading
// the file whole gives, and the end is exactly that, whatever the caller waits for.
#include "files/text_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "temp_file.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

TEST(TextReader, ReadyTextGrowsIntoWhatReadingWholeGives) {
    std::mt19937 rng(5);
    for (int round = 0; round < 12; ++round) {
        // Some cross the reader's 1 MB reads and 4 MB hand-overs (a CR LF split between two
        // reads included), some are empty or tiny.
        const std::size_t length = round < 3 ? round : rng() % (round % 3 == 0 ? 9 << 20 : 5000);
        // Every fourth plain ASCII, so that its survey says UTF-8.
        std::string bytes = mixedBytes(rng, length, round % 4 == 1);
        if (round == 3 && length > (1 << 20)) bytes.replace((1 << 20) - 1, 2, "\r\n");
        const DocumentText whole = readLineEnds(bytes, LineEnds::CrLf);
        const TempFile file(bytes);
        ASSERT_GE(file.fd(), 0);
        {
            TextReader reader(file.fd(), bytes.size(), LineEnds::CrLf);
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
    const TempFile file(std::string(12 << 20, '\n'));
    ASSERT_GE(file.fd(), 0);
    { TextReader reader(file.fd(), 12 << 20, LineEnds::Lf); }
}

}  // namespace
}  // namespace scrivane
