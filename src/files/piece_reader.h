#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/pure/line_end_stream.h"
#include "platform/pure/text_survey.h"

namespace scrivane {

// Which line ending a file read in pieces counts as usual: the one its first piece shows, or
// the one reading it whole finds (the breaks are then noted again at the end).
enum class UsualEnding { OfFirstPiece, OfWholeFile };

// Reads a file on a thread of its own into document text (every break CR LF) piece by piece,
// for a caller that hands each piece on and drops it: a file too large to be held twice. At
// most `ahead` pieces wait for the caller, so the reading stays that far ahead and no more.
class PieceReader {
  public:
    // Starts reading `fd` (left open) in reads of `pieceBytes`. The breaks are noted against
    // the usual line ending `usual` says.
    PieceReader(int fd, LineEnds fallback, std::size_t pieceBytes, std::size_t ahead,
                UsualEnding usual);
    // Stops reading and waits for the thread.
    ~PieceReader();
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    struct Piece {
        std::string text;             // the document text of the next part of the file
        std::uint64_t fileBytes = 0;  // the file's bytes read up to the end of this piece
        bool last = false;            // the end of the file, or an error
    };
    // The next piece, waiting up to `wait` for it; nothing when none came in time.
    std::optional<Piece> next(std::chrono::milliseconds wait);

    struct Outcome {
        LineEnds usual = LineEnds::Lf;
        std::vector<LineBreak> breaks;
        TextSurvey survey;  // of all the pieces' text
        std::string error;  // empty when the whole file was read
    };
    // Once the last piece was taken: the breaks, or the error.
    Outcome take();

  private:
    void run(int fd, std::size_t pieceBytes);
    // Waits for room among the pieces waiting; false when told to stop.
    bool push(Piece piece);

    LineEnds fallback_;
    std::size_t ahead_;
    UsualEnding usual_;
    Outcome outcome_;  // written by the thread alone until it has pushed the last piece

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> pieces_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace scrivane
