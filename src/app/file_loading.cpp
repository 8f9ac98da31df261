#include "app/file_loading.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "files/file_bytes.h"
#include "files/opening_budget.h"
#include "platform/pure/line_end_stream.h"
#include "platform/work_progress.h"

namespace scrivane {
namespace {

// Bytes read, or handed to the surface, between two looks at the window.
constexpr std::size_t kPiece = std::size_t{16} << 20;

// Reading counts for the first half of the progress when the text is then handed over in a
// second pass.
bool tell(WorkProgress& progress, std::uint64_t done, std::uint64_t total, double from,
          double share) {
    return progress.tell(from + share * WorkProgress::share(done, total));
}

// Reads up to `length` bytes; 0 at the end of the file, -1 on error (errno set).
ssize_t readSome(int fd, char* into, std::size_t length) {
    for (;;) {
        const ssize_t got = ::read(fd, into, length);
        if (got >= 0 || errno != EINTR) return got;
    }
}

// The whole file, its size as it grows while read. Read through a small buffer that stays in
// the cache: reading straight into the text would first have to fill it with zeros.
LoadOutcome readWhole(int fd, std::uint64_t size, WorkProgress& progress, std::string& bytes,
                      std::string& error) {
    constexpr std::size_t kRead = std::size_t{1} << 20;
    bytes.reserve(size + size / 8 + 64);
    std::unique_ptr<char[]> buffer(new char[kRead]);
    std::size_t told = 0;
    for (;;) {
        const ssize_t got = readSome(fd, buffer.get(), kRead);
        if (got < 0) {
            error = std::strerror(errno);
            return LoadOutcome::Failed;
        }
        if (got == 0) return LoadOutcome::Loaded;
        bytes.append(buffer.get(), static_cast<std::size_t>(got));
        if (bytes.size() - told >= kPiece) {
            told = bytes.size();
            if (!tell(progress, bytes.size(), size, 0.0, 0.5)) return LoadOutcome::Cancelled;
        }
    }
}

LoadOutcome loadEditable(int fd, std::uint64_t size, WorkProgress& progress, RichTextBox& surface,
                         LoadedFile& loaded, std::string& error) {
    std::string bytes;
    const LoadOutcome read = readWhole(fd, size, progress, bytes, error);
    if (read != LoadOutcome::Loaded) return read;
    DocumentText doc = readLineEnds(std::move(bytes), platformLineEnds());
    // Lone breaks made CR LF can take a file past what an editable document holds.
    loaded.readOnly = doc.text.size() > kLargestEditable;
    loaded.text = surface.StartText(doc.text.size(), loaded.readOnly);
    const std::string_view text = doc.text;
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        if (!loaded.text->Append(text.substr(at, kPiece))) {
            error = "Not enough memory";
            return LoadOutcome::Failed;
        }
        if (!tell(progress, at + kPiece, text.size(), 0.5, 0.5)) return LoadOutcome::Cancelled;
    }
    loaded.usual = doc.usual;
    loaded.breaks = std::move(doc.breaks);
    if (!loaded.readOnly) loaded.stored = std::move(doc.text);
    return LoadOutcome::Loaded;
}

// A file too large to edit goes into the surface as it is read, with no copy of its own: its
// usual line end is taken from its start (the breaks are kept exactly either way).
LoadOutcome loadReadOnly(int fd, std::uint64_t size, WorkProgress& progress, RichTextBox& surface,
                         LoadedFile& loaded, std::string& error) {
    loaded.readOnly = true;
    loaded.text = surface.StartText(size + size / 16, true);
    std::string piece(kPiece, '\0');
    std::string text;
    std::optional<LineEndStream> stream;
    std::uint64_t done = 0;
    for (;;) {
        const ssize_t got = readSome(fd, piece.data(), kPiece);
        if (got < 0) {
            error = std::strerror(errno);
            return LoadOutcome::Failed;
        }
        const std::string_view bytes(piece.data(), static_cast<std::size_t>(got));
        if (!stream) stream.emplace(detectLineEnds(bytes, platformLineEnds()));
        text.clear();
        if (got == 0) {
            stream->finish(text);
        } else {
            stream->add(bytes, text);
        }
        if (!loaded.text->Append(text)) {
            error = "Not enough memory";
            return LoadOutcome::Failed;
        }
        if (got == 0) break;
        done += static_cast<std::uint64_t>(got);
        if (!tell(progress, done, size, 0.0, 1.0)) return LoadOutcome::Cancelled;
    }
    loaded.usual = stream->usual();
    loaded.breaks = std::move(stream->breaks());
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
            outcome = budget.mode == OpenMode::ReadOnly
                          ? loadReadOnly(fd, size, progress, surface, loaded, error)
                          : loadEditable(fd, size, progress, surface, loaded, error);
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
