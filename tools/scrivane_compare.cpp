// scrivane-compare: compares two files the way the editor's Compare to does and prints the
// differences.

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "compare/compare_engine.h"
#include "compare/html_review.h"
#include "compare/markup_format.h"
#include "scrivane_compare_ansi.h"
#include "scrivane_compare_file.h"
#include "scrivane_compare_git.h"

namespace {

using namespace scrivane;
using namespace scrivane::compare_tool;

constexpr int kEqual = 0;
constexpr int kDifferent = 1;
constexpr int kTrouble = 2;

constexpr std::string_view kUsage =
    "Usage: scrivane-compare [--format=FORMAT] [--color=WHEN] NEW OLD\n"
    "       scrivane-compare [--format=ansi|count] [--color=WHEN] PATH OLD-FILE OLD-HEX OLD-MODE\n"
    "                        NEW-FILE NEW-HEX NEW-MODE [NEW-PATH MESSAGE]   (as git's external "
    "diff)\n"
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
    "      html    one self-contained web page: the text of NEW, insertions blue, deletions\n"
    "              red and struck through, the count at the top, each change linked to the\n"
    "              next (n and p keys walk them); always UTF-8, a Latin-1 text converted\n"
    "  --color=WHEN     colours for the ansi format: auto (default: only when standard\n"
    "                   output is a terminal, or git's pager), always or never\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n"
    "  --               the arguments that follow are file names\n"
    "\n"
    "The status text also goes to standard error for the formats other than count.\n"
    "\n"
    "Exit status: 0 the texts are equal, 1 they differ, 2 trouble (bad arguments, a file\n"
    "that cannot be read, output that cannot be written).\n"
    "\n"
    "Called by git with its seven arguments (git config diff.external scrivane-compare, or\n"
    "GIT_EXTERNAL_DIFF=scrivane-compare git diff), it prints a diff --git header for the path\n"
    "and the difference, and exits 0 so that git goes on; binary files (a NUL in the first\n"
    "8000 bytes) are only named, and an unmerged path reads \"* Unmerged path PATH\".\n";

enum class Format { Ansi, Rtf, Blocks, Count, Html };
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
    if (name == "html") return Format::Html;
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
// --name=value and as the next argument. Run by git, the options are the ones the user's
// command line gives before git's arguments: from the first argument that is not one of
// them on, every argument is git's, even one that begins with a hyphen (a path "-x").
std::optional<int> parseArguments(const std::vector<std::string_view>& args, bool gitEnvironment,
                                  Options& options) {
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const bool valueOption = name == "--format" || name == "--color";
        if (onlyFiles || arg == "-" || !arg.starts_with("-") || (gitEnvironment && !valueOption)) {
            options.files.emplace_back(arg);
            onlyFiles = onlyFiles || gitEnvironment;
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") return print(kUsage);
        if (arg == "--version") return print("scrivane-compare " SCRIVANE_VERSION "\n");
        if (!valueOption) {
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
    if (isGitCall(options.files, gitEnvironment)) {
        if (options.format != Format::Ansi && options.format != Format::Count) {
            return usageError("git's external diff takes the ansi or count format");
        }
        return std::nullopt;
    }
    if (options.files.size() != 2) return usageError("expected two files, NEW and OLD");
    return std::nullopt;
}

// Set (to "true") by git while its pager reads what the programs it runs print.
bool gitPagerInUse() {
    const char* value = std::getenv("GIT_PAGER_IN_USE");
    return value != nullptr &&
           (std::string_view(value) == "true" || std::string_view(value) == "1");
}

bool useColours(Colour colour, bool gitCall) {
    switch (colour) {
        case Colour::Always:
            return true;
        case Colour::Never:
            return false;
        case Colour::Auto:
            break;
    }
    return ::isatty(STDOUT_FILENO) == 1 || (gitCall && gitPagerInUse());
}

int run(const std::vector<std::string_view>& args) {
    Options options;
    const bool gitEnvironment = std::getenv("GIT_DIFF_PATH_COUNTER") != nullptr;
    if (const std::optional<int> status = parseArguments(args, gitEnvironment, options)) {
        return *status;
    }
    if (isGitCall(options.files, gitEnvironment)) {
        return gitExternalDiff(options.files,
                               options.format == Format::Count ? GitBody::Count : GitBody::Text,
                               useColours(options.colour, true) ? kColours : kBrackets);
    }

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
            output = ansiText(engine, docnew, docold,
                              useColours(options.colour, false) ? kColours : kBrackets);
        }
        if (options.format == Format::Html) {
            const RunRange runs = engine.runs(docnew, docold);
            output = htmlReview(std::vector<CompareRun>(runs.begin(), runs.end()),
                                {options.files[0], options.files[1]});
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
