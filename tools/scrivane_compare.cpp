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
    "Usage: scrivane-compare [--format=FORMAT] [--color=WHEN] NEW OLD\n"
    "\n"
    "Compares the file NEW (taken as the document) with the file OLD, character by\n"
    "character, as the editor's Compare to does. Both files are read as bytes and their\n"
    "line ends are turned into CR LF first, as when the editor opens a file.\n"
    "\n"
    "Options (each also as two words: --format count):\n"
    "  --format=FORMAT  what to print:\n"
    "      ansi    (default) the text of NEW with inserted text in blue and deleted text\n"
    "              in red and struck through; line ends printed as LF. Without colours\n"
    "              deleted text is shown as [-...-] and inserted text as {+...+}\n"
    "      rtf     the complete marked-up RTF document the editor would show\n"
    "      blocks  the block-check dump of the comparison (CR LF line ends)\n"
    "      count   only the status text, e.g. \"3 differences were found.\"\n"
    "  --color=WHEN     colours for the ansi format: auto (default: only when standard\n"
    "                   output is a terminal), always or never\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n"
    "  --               the arguments that follow are file names\n"
    "\n"
    "The status text also goes to standard error for the formats other than count.\n"
    "\n"
    "Exit status: 0 the texts are equal, 1 they differ, 2 trouble (bad arguments, a file\n"
    "that cannot be read, output that cannot be written).\n";

enum class Format { Ansi, Rtf, Blocks, Count };
enum class Colour { Auto, Always, Never };

struct Options {
    Format format = Format::Ansi;
    Colour colour = Colour::Auto;
    std::vector<std::string> files;
};

std::optional<Format> parseFormat(std::string_view name) {
    if (name == "ansi") return Format::Ansi;
    if (name == "rtf") return Format::Rtf;
    if (name == "blocks") return Format::Blocks;
    if (name == "count") return Format::Count;
    return std::nullopt;
}

std::optional<Colour> parseColour(std::string_view name) {
    if (name == "auto") return Colour::Auto;
    if (name == "always") return Colour::Always;
    if (name == "never") return Colour::Never;
    return std::nullopt;
}

// Writes `text` to standard output: kEqual, or kTrouble with a message when it could not be
// written (a closed pipe, a full disk).
int print(std::string_view text) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (std::cout.flush()) return kEqual;
    std::cerr << "scrivane-compare: cannot write the output\n";
    return kTrouble;
}

int usageError(const std::string& message) {
    std::cerr << "scrivane-compare: " << message << "\n" << kUsage;
    return kTrouble;
}

// Reads the arguments into `options`. Returns an exit status when the program ends here
// (help, version, or an argument it cannot use). Options that take a value accept it both as
// --name=value and as the next argument.
std::optional<int> parseArguments(const std::vector<std::string_view>& args, Options& options) {
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (onlyFiles || arg == "-" || !arg.starts_with("-")) {
            options.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") return print(kUsage);
        if (arg == "--version") return print("scrivane-compare " SCRIVANE_VERSION "\n");
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (name != "--format" && name != "--color") {
            return usageError("unknown option '" + std::string(arg) + "'");
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return usageError("option '" + std::string(name) + "' needs a value");
        }
        if (name == "--format") {
            const std::optional<Format> format = parseFormat(value);
            if (!format) return usageError("unknown format '" + std::string(value) + "'");
            options.format = *format;
        } else {
            const std::optional<Colour> colour = parseColour(value);
            if (!colour) return usageError("unknown colour mode '" + std::string(value) + "'");
            options.colour = *colour;
        }
    }
    if (options.files.size() != 2) return usageError("expected two files, NEW and OLD");
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

// How the ansi format shows each kind of run: with terminal colours, or with the bracket
// marks a reader or a later program can tell apart in plain text.
struct RunMarks {
    std::string_view open, close;
};
struct AnsiStyle {
    RunMarks inserted, deleted;
};
constexpr AnsiStyle kColours{{"\x1b[34m", "\x1b[0m"}, {"\x1b[31;9m", "\x1b[0m"}};
constexpr AnsiStyle kBrackets{{"{+", "+}"}, {"[-", "-]"}};

// Terminal rendering: CR LF as LF, each changed run between its marks.
void appendAnsi(std::string& out, std::string_view text, RunMarks marks) {
    if (text.empty()) return;
    out.append(marks.open);
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
    out.append(marks.close);
}

std::string ansiText(const CompareEngine& engine, std::string_view docnew, std::string_view docold,
                     const AnsiStyle& style) {
    std::string out;
    out.reserve(docnew.size() + docnew.size() / 8);
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        switch (run.kind) {
            case RunKind::Same:
                appendAnsi(out, run.text, {});
                break;
            case RunKind::Inserted:
                appendAnsi(out, run.text, style.inserted);
                break;
            case RunKind::Deleted:
                appendAnsi(out, run.text, style.deleted);
                break;
        }
    }
    if (!out.empty() && out.back() != '\n') out.push_back('\n');
    return out;
}

bool useColours(Colour colour) {
    switch (colour) {
        case Colour::Always:
            return true;
        case Colour::Never:
            return false;
        case Colour::Auto:
            break;
    }
    return ::isatty(STDOUT_FILENO) == 1;
}

int run(const std::vector<std::string_view>& args) {
    Options options;
    if (const std::optional<int> status = parseArguments(args, options)) return *status;

    std::string error;
    std::optional<FileText> newFile = readFile(options.files[0], error);
    std::optional<FileText> oldFile = newFile ? readFile(options.files[1], error) : std::nullopt;
    if (!newFile || !oldFile) {
        std::cerr << "scrivane-compare: " << error << "\n";
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
        if (options.format == Format::Ansi) {
            output =
                ansiText(engine, docnew, docold, useColours(options.colour) ? kColours : kBrackets);
        }
    }
    const std::string status = differencesText(count);
    if (options.format == Format::Count) {
        output = status + "\n";
    } else {
        std::cerr << status << "\n";
    }
    if (print(output) != kEqual) return kTrouble;
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
