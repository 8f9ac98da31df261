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
#include "files/text_reader.h"
#include "platform/pure/line_end_stream.h"
#include "platform/work_progress.h"

namespace scrivane {
namespace {

// Bytes read, or handed to the surface, between two looks at the window.
constexpr std::size_t kPiece = std::size_t{16} << 20;

// Until the text is all in: the file read counts for half, the text handed to the surface
// for the other half.
bool tell(WorkProgress& progress, std::uint64_t read, std::uint64_t size, std::uint64_t handed,
          std::uint64_t expected) {
    return progress.tell(0.5 * WorkProgress::share(read, size) +
                         0.5 * WorkProgress::share(handed, expected));
}

// What a text of which `ready` is read will come to: the rest of the file widens as the part
// read did.
std::uint64_t expectedLength(const TextReader::Ready& ready, std::uint64_t size) {
    if (ready.finished || ready.fileBytes == 0) return ready.text.size();
    const double widening =
        static_cast<double>(ready.text.size()) / static_cast<double>(ready.fileBytes);
    return static_cast<std::uint64_t>(static_cast<double>(size) * widening * 1.01);
}

// The text is read and widened on a thread while this one hands it to the surface piece by
// piece. The surface's buffer is made once the first piece is in, to the size it shows the
// whole will take, while the reading goes on. Nothing when the widened text is too large to
// edit: the caller reads it read-only.
std::optional<LoadOutcome> loadEditable(int fd, std::uint64_t size, WorkProgress& progress,
                                        RichTextBox& surface, LoadedFile& loaded,
                                        std::string& error) {
    constexpr auto kWait = std::chrono::milliseconds(50);
    TextReader reader(fd, size, platformLineEnds());
    TextReader::Ready ready = reader.ready(kPiece, kWait);
    while (!ready.finished && ready.text.size() < kPiece) {
        if (!tell(progress, ready.fileBytes, size, 0, 1)) return LoadOutcome::Cancelled;
        ready = reader.ready(kPiece, kWait);
    }
    const std::uint64_t expected = expectedLength(ready, size);
    loaded.text = surface.StartText(std::min<std::uint64_t>(expected, kLargestEditable), false);
    std::size_t handed = 0;
    for (;;) {
        while (ready.text.size() - handed >= kPiece ||
               (ready.finished && handed < ready.text.size())) {
            const std::string_view piece = ready.text.substr(handed, kPiece);
            if (handed + piece.size() > kLargestEditable) return std::nullopt;
            if (!loaded.text->Append(piece)) {
                error = "Not enough memory";
                return LoadOutcome::Failed;
            }
            handed += piece.size();
            if (!tell(progress, ready.fileBytes, size, handed, expected))
                return LoadOutcome::Cancelled;
        }
        if (ready.finished) break;
        if (!tell(progress, ready.fileBytes, size, handed, expected)) return LoadOutcome::Cancelled;
        ready = reader.ready(handed + kPiece, kWait);
    }
    TextReader::Outcome outcome = reader.take();
    if (!outcome.error.empty()) {
        error = outcome.error;
        return LoadOutcome::Failed;
    }
    loaded.text->Describe(outcome.survey);
    loaded.usual = outcome.doc.usual;
    loaded.breaks = std::move(outcome.doc.breaks);
    loaded.stored = std::move(outcome.doc.text);
    // The figures so far stood against an estimate.
    progress.tell(1.0);
    return LoadOutcome::Loaded;
}

// A file too large to edit goes into the surface as it is read, with no copy of its own: its
// usual line end is taken from its start (the breaks are kept exactly either way). The reading
// and widening run on a thread beside the surface's own work on each piece.
LoadOutcome loadReadOnly(int fd, std::uint64_t size, WorkProgress& progress, RichTextBox& surface,
                         LoadedFile& loaded, std::string& error) {
    constexpr auto kWait = std::chrono::milliseconds(50);
    loaded.readOnly = true;
    loaded.text = surface.StartText(size + size / 16, true);
    PieceReader reader(fd, platformLineEnds(), kPiece, 2);
    std::uint64_t read = 0;
    for (;;) {
        std::optional<PieceReader::Piece> piece = reader.next(kWait);
        if (!piece) {
            if (!progress.tell(WorkProgress::share(read, size))) return LoadOutcome::Cancelled;
            continue;
        }
        if (!loaded.text->Append(piece->text)) {
            error = "Not enough memory";
            return LoadOutcome::Failed;
        }
        if (piece->last) break;
        read = piece->fileBytes;
        if (!progress.tell(WorkProgress::share(read, size))) return LoadOutcome::Cancelled;
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
            std::optional<LoadOutcome> editable;
            if (budget.mode != OpenMode::ReadOnly)
                editable = loadEditable(fd, size, progress, surface, loaded, error);
            if (editable) {
                outcome = *editable;
            } else {
                // Its lone breaks made CR LF took it past what an editable document holds.
                loaded = LoadedFile{};
                outcome = ::lseek(fd, 0, SEEK_SET) == 0
                              ? loadReadOnly(fd, size, progress, surface, loaded, error)
                              : LoadOutcome::Failed;
                if (outcome == LoadOutcome::Failed && error.empty()) error = std::strerror(errno);
            }
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
