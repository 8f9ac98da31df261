#include "files/piece_reader.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "files/file_bytes.h"

namespace scrivane {

PieceReader::PieceReader(int fd, LineEnds fallback, std::size_t pieceBytes, std::size_t ahead,
                         UsualEnding usual)
    : fallback_(fallback), ahead_(ahead == 0 ? 1 : ahead), usual_(usual) {
    thread_ = std::thread([this, fd, pieceBytes] { run(fd, pieceBytes); });
}

PieceReader::~PieceReader() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool PieceReader::push(Piece piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stop_ || pieces_.size() < ahead_; });
    if (stop_) return false;
    pieces_.push_back(std::move(piece));
    lock.unlock();
    changed_.notify_all();
    return true;
}

void PieceReader::run(int fd, std::size_t pieceBytes) {
    std::uint64_t read = 0;
    try {
        std::string bytes(pieceBytes, '\0');
        std::optional<LineEndStream> stream;
        for (;;) {
            const ssize_t got = readSome(fd, bytes.data(), pieceBytes);
            Piece piece;
            if (got < 0) {
                outcome_.error = std::strerror(errno);
                piece.last = true;
            } else {
                const std::string_view part(bytes.data(), static_cast<std::size_t>(got));
                if (!stream) stream.emplace(detectLineEnds(part, fallback_));
                piece.text.reserve(2 * part.size() + 2);
                if (got == 0) {
                    stream->finish(piece.text);
                    piece.last = true;
                } else {
                    stream->add(part, piece.text);
                }
                outcome_.survey.add(piece.text);
                read += static_cast<std::uint64_t>(got);
            }
            piece.fileBytes = read;
            if (piece.last && stream) {
                if (usual_ == UsualEnding::OfWholeFile && outcome_.error.empty())
                    stream->settleUsual(fallback_);
                outcome_.usual = stream->usual();
                outcome_.breaks = std::move(stream->breaks());
            }
            const bool last = piece.last;
            if (!push(std::move(piece)) || last) return;
        }
    } catch (const std::bad_alloc&) {
        outcome_.error = "Not enough memory";
        Piece end;
        end.fileBytes = read;
        end.last = true;
        push(std::move(end));
    }
}

std::optional<PieceReader::Piece> PieceReader::next(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, wait, [&] { return !pieces_.empty(); })) return std::nullopt;
    Piece piece = std::move(pieces_.front());
    pieces_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return piece;
}

PieceReader::Outcome PieceReader::take() {
    if (thread_.joinable()) thread_.join();
    return std::move(outcome_);
}

}  // namespace scrivane
