#include "app/file_loading.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "files/file_bytes.h"
#include "files/opening_budget.h"
#include "files/piece_reader.h"
#include "platform/pure/line_end_stream.h"
#include "platform/work_progress.h"

namespace scrivane {
namespace {

// Bytes read, or handed to the surface, between two looks at the window.
constexpr std::size_t kPiece = std::size_t{4} << 20;

// The size of the text that a file whose first piece widened as `first` did will come to.
std::uint64_t expectedLength(const PieceReader::Piece& first, std::uint64_t size) {
    if (first.last || first.fileBytes == 0) return first.text.size();
    const double widening =
        static_cast<double>(first.text.size()) / static_cast<double>(first.fileBytes);
    return static_cast<std::uint64_t>(static_cast<double>(size) * widening * 1.01);
}

// The file goes into the surface as it is read, with no copy of its own: the reading and
// widening run on a thread beside the surface's own work on each piece. An editable text's
// buffer is made once the first piece shows what the whole will take, and its usual line
// end is the whole file's; nothing when it grows too large to edit, and the caller reads it
// read-only. A read-only text takes its usual line end from its start (the breaks are kept
// exactly either way).
std::optional<LoadOutcome> loadPieces(int fd, std::uint64_t size, OpenMode mode,
                                      WorkProgress& progress, RichTextBox& surface,
                                      LoadedFile& loaded, std::string& error) {
    constexpr auto kWait = std::chrono::milliseconds(50);
    const bool editable = mode != OpenMode::ReadOnly;
    loaded.readOnly = !editable;
    PieceReader reader(fd, platformLineEnds(), kPiece, 2,
                       editable ? UsualEnding::OfWholeFile : UsualEnding::OfFirstPiece);
    std::uint64_t read = 0;
    std::uint64_t handed = 0;
    for (;;) {
        std::optional<PieceReader::Piece> piece = reader.next(kWait);
        if (!piece) {
            if (!progress.tell(WorkProgress::share(read, size))) return LoadOutcome::Cancelled;
            continue;
        }
        if (!loaded.text && editable) {
            const std::uint64_t expected = expectedLength(*piece, size);
            loaded.text = surface.StartText(std::min(expected, kLargestEditable), false);
        } else if (!loaded.text) {
            loaded.text = surface.StartText(size + size / 16, true);
        }
        if (editable && handed + piece->text.size() > kLargestEditable) return std::nullopt;
        if (!loaded.text->Append(piece->text)) {
            error = "Not enough memory";
            return LoadOutcome::Failed;
        }
        handed += piece->text.size();
        read = piece->last ? size : piece->fileBytes;
        if (!progress.tell(WorkProgress::share(read, size))) return LoadOutcome::Cancelled;
        if (piece->last) break;
    }
    PieceReader::Outcome outcome = reader.take();
    if (!outcome.error.empty()) {
        error = outcome.error;
        return LoadOutcome::Failed;
    }
    loaded.text->Describe(outcome.survey);
    loaded.usual = outcome.usual;
    loaded.breaks = std::move(outcome.breaks);
    return LoadOutcome::Loaded;
}

}  // namespace

LoadOutcome loadFile(Services& services, RichTextBox& surface, const std::string& path, bool wrap,
                     LoadedFile& loaded, std::string& error) {
    struct stat st {};
    const int fd = openForReading(path, st, error);
    if (fd < 0) return LoadOutcome::Failed;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::optional<std::uint64_t> available = services.MemoryAvailable();
    const OpeningBudget budget = openingBudget(size, available, wrap);
    LoadOutcome outcome = LoadOutcome::Failed;
    if (!budget.fits) {
        error = notEnoughMemory(budget.needed, *available);
    } else {
        WorkProgress progress(services, "Opening " + fileNameOf(path), WorkProgress::Escape::Stops);
        try {
            std::optional<LoadOutcome> loadedAs =
                loadPieces(fd, size, budget.mode, progress, surface, loaded, error);
            if (!loadedAs) {
                // Its lone breaks made CR LF took it past what an editable document holds.
                loaded = LoadedFile{};
                loadedAs =
                    ::lseek(fd, 0, SEEK_SET) == 0
                        ? loadPieces(fd, size, OpenMode::ReadOnly, progress, surface, loaded, error)
                        : LoadOutcome::Failed;
                if (loadedAs == LoadOutcome::Failed && error.empty()) error = std::strerror(errno);
            }
            outcome = loadedAs.value_or(LoadOutcome::Failed);
        } catch (const std::bad_alloc&) {
            error = "Not enough memory";
            outcome = LoadOutcome::Failed;
        }
    }
    ::close(fd);
    if (outcome != LoadOutcome::Loaded) loaded = LoadedFile{};
    return outcome;
}

}  // namespace scrivane
