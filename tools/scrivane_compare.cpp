// scrivane-compare: compares two files the way the editor's Compare to does and prints the
// differences.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "compare/compare_engine.h"
#include "compare/markup_format.h"
#include "platform/pure/line_ends.h"

namespace {

using namespace scrivane;

constexpr int kEqual = 0;
constexpr int kDifferent = 1;
constexpr int kTrouble = 2;

constexpr std::string_view kUsage =
    "Usage: scrivane-compare [--format=ansi|rtf|blocks|count] NEW OLD\n"
    "\n"
    "Compares the file NEW (taken as the document) with the file OLD, character by\n"
    "character, as the editor's Compare to does. Both files are read as bytes and their\n"
    "line ends are turned into CR LF first, as when the editor opens a file.\n"
    "\n"
    "Formats:\n"
    "  ansi    (default) the text of NEW with inserted text in blue and deleted text\n"
    "          in red and struck through (terminal colours); line ends printed as LF\n"
    "  rtf     the complete marked-up RTF document the editor would show\n"
    "  blocks  the block-check dump of the comparison (CR LF line ends)\n"
    "  count   only the status text, e.g. \"3 differences were found.\"\n"
    "\n"
    "The status text also goes to standard error for the other formats.\n"
    "\n"
    "Exit status: 0 the texts are equal, 1 they differ, 2 trouble (bad arguments, a file\n"
    "that cannot be read, output that cannot be written).\n";

enum class Format { Ansi, Rtf, Blocks, Count };

struct Options {
    Format format = Format::Ansi;
    std::string newPath;
    std::string oldPath;
};

std::optional<Format> parseFormat(std::string_view name) {
    if (name == "ansi") return Format::Ansi;
    if (name == "rtf") return Format::Rtf;
    if (name == "blocks") return Format::Blocks;
    if (name == "count") return Format::Count;
    return std::nullopt;
}

// A file's text as the editor holds it: its bytes with every line break made CR LF.
class FileText {
  public:
    FileText() = default;
    FileText(FileText&& other) noexcept
        : map_(std::exchange(other.map_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          text_(std::move(other.text_)) {}
    FileText& operator=(FileText&&) = delete;
    ~FileText() { unmap(); }

    std::string_view view() const {
        return map_ != nullptr ? std::string_view(static_cast<const char*>(map_), size_)
                               : std::string_view(text_);
    }

    // What fixlines followed by toCrLfInPlace makes of the bytes.
    void normaliseLineEnds() {
        const std::string_view bytes = view();
        const std::size_t lone = firstLoneBreak(bytes);
        if (lone == bytes.size()) return;
        std::string text = toCrLf(bytes.substr(lone));
        text.insert(0, bytes.substr(0, lone));
        text_ = std::move(text);
        unmap();
    }

  private:
    friend std::optional<FileText> readFile(const std::string& path, std::string& error);

    void unmap() {
        if (map_ != nullptr) ::munmap(map_, size_);
        map_ = nullptr;
        size_ = 0;
    }

    // A regular file is mapped rather than read: its pages are the file cache's, where read()
    // would copy them into fresh memory that the kernel first has to clear. Anything else is
    // read into text_.
    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::string text_;
};

// Reads the whole file as bytes; on failure `error` gets "<reason> opening <path>".
std::optional<FileText> readFile(const std::string& path, std::string& error) {
    auto fail = [&](int code) {
        error = std::string(std::strerror(code)) + " opening " + path;
        return std::nullopt;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int code = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return fail(code);
    }
    FileText file;
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            ::close(fd);
            file.map_ = map;
            file.size_ = size;
            return file;
        }
    }
    // Not a regular file (a pipe, say), or one that cannot be mapped.
    char buffer[1 << 16];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return fail(code);
        }
        file.text_.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return file;
}

// Terminal rendering: CR LF as LF, inserted runs blue, deleted runs red and struck through.
void appendAnsi(std::string& out, std::string_view text, std::string_view colour) {
    if (text.empty()) return;
    out.append(colour);
    // Stretches between the CRs of CR LF pairs are copied whole.
    std::size_t from = 0;
    for (std::size_t at = text.find('\r'); at != std::string_view::npos;
         at = text.find('\r', at + 1)) {
        if (at + 1 < text.size() && text[at + 1] == '\n') {
            out.append(text.substr(from, at - from));
            from = at + 1;
        }
    }
    out.append(text.substr(from));
    if (!colour.empty()) out.append("\x1b[0m");
}

std::string ansiText(const CompareEngine& engine, std::string_view docnew,
                     std::string_view docold) {
    std::string out;
    out.reserve(docnew.size() + docnew.size() / 8);
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        switch (run.kind) {
            case RunKind::Same:
                appendAnsi(out, run.text, "");
                break;
            case RunKind::Inserted:
                appendAnsi(out, run.text, "\x1b[34m");
                break;
            case RunKind::Deleted:
                appendAnsi(out, run.text, "\x1b[31;9m");
                break;
        }
    }
    if (!out.empty() && out.back() != '\n') out.push_back('\n');
    return out;
}

int run(const std::vector<std::string_view>& args) {
    Options options;
    std::vector<std::string> files;
    bool onlyFiles = false;
    for (std::string_view arg : args) {
        if (!onlyFiles && (arg == "--help" || arg == "-h")) {
            std::cout << kUsage;
            return std::cout.flush() ? kEqual : kTrouble;
        }
        if (!onlyFiles && arg == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && arg.starts_with("--format=")) {
            const std::optional<Format> format = parseFormat(arg.substr(9));
            if (!format) {
                std::cerr << "scrivane-compare: unknown format '" << arg.substr(9) << "'\n"
                          << kUsage;
                return kTrouble;
            }
            options.format = *format;
        } else if (!onlyFiles && arg.size() > 1 && arg.starts_with("-")) {
            std::cerr << "scrivane-compare: unknown option '" << arg << "'\n" << kUsage;
            return kTrouble;
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.size() != 2) {
        std::cerr << "scrivane-compare: expected two files, NEW and OLD\n" << kUsage;
        return kTrouble;
    }

    std::string error;
    std::optional<FileText> newFile = readFile(files[0], error);
    std::optional<FileText> oldFile = newFile ? readFile(files[1], error) : std::nullopt;
    if (!newFile || !oldFile) {
        std::cerr << error << "\n";
        return kTrouble;
    }
    newFile->normaliseLineEnds();
    oldFile->normaliseLineEnds();
    const std::string_view docnew = newFile->view();
    const std::string_view docold = oldFile->view();

    CompareEngine engine;
    std::int64_t count = 0;
    std::string output;
    if (options.format == Format::Rtf) {
        output = engine.comparedocs(docnew, docold, setdefrtf(FontSpec{}), count);
    } else {
        engine.compareblocks(docnew, docold);
        count = engine.countchanges();
        if (options.format == Format::Blocks) output = engine.dumpblocks(docnew, docold);
        if (options.format == Format::Ansi) output = ansiText(engine, docnew, docold);
    }
    const std::string status = differencesText(count);
    if (options.format == Format::Count) {
        output = status + "\n";
    } else {
        std::cerr << status << "\n";
    }
    std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
    if (!std::cout.flush()) {
        std::cerr << "scrivane-compare: cannot write the output\n";
        return kTrouble;
    }
    return docnew == docold ? kEqual : kDifferent;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    try {
        return run(args);
    } catch (const std::exception& e) {
        std::cerr << "scrivane-compare: " << e.what() << "\n";
        return kTrouble;
    }
}
