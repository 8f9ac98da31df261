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

// Reads a file on a thread of its own into document text (every break CR LF) piece by piece,
// for a caller that hands each piece on and drops it: a file too large to be held twice. At
// most `ahead` pieces wait for the caller, so the reading stays that far ahead and no more.
// The usual line ending is the one the file's first piece shows.
class PieceReader {
  public:
    // Starts reading `fd` (left open) in reads of `pieceBytes`.
    PieceReader(int fd, LineEnds fallback, std::size_t pieceBytes, std::size_t ahead);
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
    Outcome outcome_;  // written by the thread alone until it has pushed the last piece

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> pieces_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace scrivane
