#include "files/text_reader.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "files/file_bytes.h"

namespace scrivane {
namespace {

// Bytes read at a time: small enough to stay in the cache while they are widened.
constexpr std::size_t kRead = std::size_t{1} << 20;
// Text made ready between two wake-ups of the caller.
constexpr std::size_t kPublish = std::size_t{4} << 20;

}  // namespace

TextReader::TextReader(int fd, std::uint64_t size, LineEnds fallback)
    : stream_(fallback), fallback_(fallback) {
    text_.reserve(2 * size + 2 * kRead + 2);
    data_ = text_.data();
    thread_ = std::thread([this, fd] { run(fd); });
}

TextReader::~TextReader() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void TextReader::publish(std::uint64_t fileBytes, bool finished) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        textReady_ = text_.size();
        fileBytes_ = fileBytes;
        finished_ = finished;
    }
    changed_.notify_all();
}

void TextReader::run(int fd) {
    std::uint64_t read = 0;
    // Runs `widen`, which appends to the text, and surveys what it appended.
    const auto surveyed = [this](const auto& widen) {
        const std::size_t before = text_.size();
        widen();
        survey_.add(std::string_view(text_).substr(before));
    };
    try {
        std::unique_ptr<char[]> buffer(new char[kRead]);
        // Each read widens to at most twice its bytes, plus a CR held back from the last one.
        const std::size_t room = text_.capacity();
        std::size_t published = 0;
        bool first = true;
        while (!stop_ && text_.size() + 2 * kRead + 2 <= room) {
            const ssize_t got = readSome(fd, buffer.get(), kRead);
            if (got < 0) {
                error_ = std::strerror(errno);
                break;
            }
            if (got == 0) break;
            const std::string_view bytes(buffer.get(), static_cast<std::size_t>(got));
            // The stream's first guess at the usual ending spares settleUsual its work on
            // most files.
            if (first) stream_ = LineEndStream(detectLineEnds(bytes, fallback_));
            first = false;
            surveyed([&] { stream_.add(bytes, text_); });
            read += static_cast<std::uint64_t>(got);
            if (text_.size() - published >= kPublish) {
                published = text_.size();
                publish(read, false);
            }
        }
        if (error_.empty()) {
            surveyed([&] { stream_.finish(text_); });
            stream_.settleUsual(fallback_);
        }
    } catch (const std::bad_alloc&) {
        error_ = "Not enough memory";
    }
    publish(read, true);
}

TextReader::Ready TextReader::ready(std::size_t want, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return finished_ || textReady_ >= want; });
    return Ready{std::string_view(data_, textReady_), fileBytes_, finished_};
}

TextReader::Outcome TextReader::take() {
    if (thread_.joinable()) thread_.join();
    Outcome outcome;
    outcome.error = error_;
    if (outcome.error.empty()) {
        outcome.doc.text = std::move(text_);
        outcome.doc.usual = stream_.usual();
        outcome.doc.breaks = std::move(stream_.breaks());
        outcome.survey = survey_;
    }
    return outcome;
}

}  // namespace scrivane
