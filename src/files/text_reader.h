#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/pure/line_end_stream.h"
#include "platform/pure/text_survey.h"

namespace scrivane {

// Reads a file on a thread of its own into document text (every break CR LF, as readLineEnds
// gives it), so that the caller can hand the text on while the rest is still read. The text
// goes into one buffer reserved for the worst case, every byte a lone break (pages are touched
// only as they are filled), so what is ready never moves.
//
// A file that grows while it is read is read up to twice and a bit its size at the start,
// what the buffer can take; saving then warns that the file changed on disk, as it does when
// the file grows after it was read.
class TextReader {
  public:
    // Starts reading `fd` (left open) of `size` bytes. Throws std::bad_alloc when the buffer
    // cannot be reserved.
    TextReader(int fd, std::uint64_t size, LineEnds fallback);
    // Stops reading and waits for the thread.
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    struct Ready {
        std::string_view text;        // the document text read so far
        std::uint64_t fileBytes = 0;  // how many of the file's bytes that is
        bool finished = false;        // the whole file, or an error
    };
    // Waits up to `wait` until at least `want` bytes of text are ready, or the reading ended.
    Ready ready(std::size_t want, std::chrono::milliseconds wait);

    struct Outcome {
        DocumentText doc;
        TextSurvey survey;  // of doc.text, taken as it was read
        std::string error;  // empty when the whole file was read
    };
    // Once ready() said finished: the text and its breaks, or the error.
    Outcome take();

  private:
    void run(int fd);
    void publish(std::uint64_t fileBytes, bool finished);

    // Written by the thread alone until it has finished; the caller reads the part published,
    // from where the reserved buffer begins.
    std::string text_;
    const char* data_ = nullptr;
    LineEndStream stream_;
    TextSurvey survey_;
    LineEnds fallback_;
    std::string error_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t textReady_ = 0;
    std::uint64_t fileBytes_ = 0;
    bool finished_ = false;

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace scrivane
