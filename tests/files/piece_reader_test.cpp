// A file read piece by piece on a thread of its own, for a document too large to keep twice:
// the pieces joined, their breaks and survey are what one stream over the whole file gives,
// however small the pieces and however slowly they are taken.
#include "files/piece_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "temp_file.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

TEST(PieceReader, PiecesJoinedAreWhatOneStreamOverTheFileGives) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        const std::size_t length = round < 3 ? round : rng() % 20000;
        std::string bytes = mixedBytes(rng, length, round % 4 == 1);
        // Pieces of a few bytes split many a CR LF; one of 1 is taken as 1.
        const std::size_t pieceBytes = 1 + rng() % (round % 2 == 0 ? 8 : 3000);
        const std::size_t ahead = rng() % 3;

        const LineEnds first =
            detectLineEnds(std::string_view(bytes).substr(0, pieceBytes), LineEnds::CrLf);
        LineEndStream whole(first);
        std::string wholeText;
        whole.add(bytes, wholeText);
        whole.finish(wholeText);
        ASSERT_EQ(wholeText, readLineEnds(bytes, LineEnds::CrLf).text) << round;

        const TempFile file(bytes);
        ASSERT_GE(file.fd(), 0);
        {
            // Half the rounds take the whole file's usual ending, as reading it whole does.
            const UsualEnding usual =
                round % 3 == 0 ? UsualEnding::OfFirstPiece : UsualEnding::OfWholeFile;
            PieceReader reader(file.fd(), LineEnds::CrLf, pieceBytes, ahead, usual);
            std::string joined;
            std::uint64_t fileBytes = 0;
            for (;;) {
                const auto piece = reader.next(std::chrono::milliseconds(rng() % 3));
                if (!piece) continue;
                ASSERT_GE(piece->fileBytes, fileBytes) << round;
                fileBytes = piece->fileBytes;
                joined += piece->text;
                if (piece->last) break;
            }
            EXPECT_EQ(fileBytes, bytes.size()) << round;
            const PieceReader::Outcome outcome = reader.take();
            EXPECT_EQ(outcome.error, "") << round;
            EXPECT_EQ(joined, wholeText) << round;
            if (usual == UsualEnding::OfFirstPiece) {
                EXPECT_EQ(outcome.usual, whole.usual()) << round;
                EXPECT_EQ(outcome.breaks, whole.breaks()) << round;
            } else {
                const DocumentText read = readLineEnds(bytes, LineEnds::CrLf);
                EXPECT_EQ(outcome.usual, read.usual) << round;
                EXPECT_EQ(outcome.breaks, read.breaks) << round;
            }
            TextSurvey wholeSurvey;
            wholeSurvey.add(wholeText);
            EXPECT_EQ(outcome.survey.utf8(), wholeSurvey.utf8()) << round;
            EXPECT_EQ(outcome.survey.longestLine(), wholeSurvey.longestLine()) << round;
        }
    }
}

TEST(PieceReader, ErrorsAreToldAndAStopWaitsForNothing) {
    const int dir = ::open(fs::temp_directory_path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    {
        PieceReader reader(dir, LineEnds::Lf, 4096, 2, UsualEnding::OfWholeFile);
        std::optional<PieceReader::Piece> piece;
        while (!(piece = reader.next(std::chrono::milliseconds(10)))) {
        }
        EXPECT_TRUE(piece->last);
        EXPECT_EQ(reader.take().error, "Is a directory");
    }
    ::close(dir);
    // Dropped (Escape) while its thread waits for room among the pieces not yet taken.
    const TempFile file(std::string(1 << 20, '\n'));
    ASSERT_GE(file.fd(), 0);
    {
        PieceReader reader(file.fd(), LineEnds::Lf, 4096, 1, UsualEnding::OfWholeFile);
        ASSERT_TRUE(reader.next(std::chrono::seconds(10)));
    }
}

}  // namespace
}  // namespace scrivane
