#include "app/command_line.h"

#include <algorithm>
#include <charconv>

#include "document/workspace.h"
#include "navigate/goto_line.h"
#include "platform/pure/encoding.h"
#include "platform/pure/text_ops.h"

namespace scrivane {

namespace {

// A line or column number written as plain digits, above 0 and small enough to hold.
std::optional<Pos> positiveNumber(std::string_view digits) {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    Pos value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

struct NumberSuffix {
    std::string_view before;
    std::string_view digits;
    Pos value;
};

// "NAME:DIGITS" taken apart, when NAME is not empty and DIGITS is a positive number.
std::optional<NumberSuffix> splitNumberSuffix(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    const std::string_view digits = text.substr(colon + 1);
    const auto value = positiveNumber(digits);
    if (!value) return std::nullopt;
    return NumberSuffix{text.substr(0, colon), digits, *value};
}

// "+N FILE", "FILE:N" and "FILE:N:C", for a command line that names no existing file.
std::optional<CommandLineRequest> otherEditorsForms(const std::vector<std::string>& args,
                                                    const std::string& literal,
                                                    const FileExists& exists) {
    if (exists(literal)) return std::nullopt;
    if (args.size() >= 2 && args[0].starts_with('+')) {
        const std::string_view digits = std::string_view(args[0]).substr(1);
        if (const auto line = positiveNumber(digits)) {
            std::string name = args[1];
            for (std::size_t i = 2; i < args.size(); ++i) name += " " + args[i];
            if (!name.empty()) {
                return CommandLineRequest{std::move(name), GotoMode::Line, std::string(digits),
                                          *line, 0};
            }
        }
    }
    const auto last = splitNumberSuffix(literal);
    if (!last) return std::nullopt;
    if (const auto line = splitNumberSuffix(last->before)) {
        return CommandLineRequest{std::string(line->before), GotoMode::Line,
                                  std::string(line->digits), line->value, last->value};
    }
    return CommandLineRequest{std::string(last->before), GotoMode::Line, std::string(last->digits),
                              last->value, 0};
}

}  // namespace

std::optional<CommandLineRequest> parseCommandLine(const std::vector<std::string>& args,
                                                   const FileExists& exists) {
    if (args.empty()) return std::nullopt;
    if (args.size() == 1) {
        if (args[0].empty()) return std::nullopt;
        if (auto other = otherEditorsForms(args, args[0], exists)) return other;
        return CommandLineRequest{args[0], GotoMode::None, "", 0, 0};
    }
    std::string line = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) line += " " + args[i];

    GotoMode mode = GotoMode::Line;
    if (line.find(" -p") != std::string::npos) {
        mode = GotoMode::Char;
        line = replaceAll(line, " -p", " ");
    }
    const std::size_t blank = line.rfind(' ');
    const std::string tail = blank == std::string::npos ? "" : line.substr(blank + 1);
    const Pos number = roundHalfEven(readNumber(tail));
    if (blank != std::string::npos && blank > 0 && number != 0) {
        return CommandLineRequest{std::string(trimBlanks(std::string_view(line).substr(0, blank))),
                                  mode, tail, number, 0};
    }
    // A " -p" with no position after it is no request for a line either.
    if (mode == GotoMode::Line) {
        if (auto other = otherEditorsForms(args, line, exists)) return other;
    }
    return CommandLineRequest{line, GotoMode::None, "", 0, 0};
}

Pos columnOffset(std::string_view line, Pos column, bool utf8Document) {
    std::size_t at = 0;
    for (Pos c = 1; c < column && at < line.size(); ++c) {
        at += charLengthAt(line, at, utf8Document);
    }
    return static_cast<Pos>(std::min(at, line.size()));
}

namespace {

bool isCompareOption(const std::string& arg) {
    return arg == "--compare" || arg == "-c";
}

}  // namespace

std::optional<CompareRequest> compareRequest(const std::vector<std::string>& args) {
    if (args.size() < 3 || !isCompareOption(args[0])) return std::nullopt;
    return CompareRequest{std::vector<std::string>(args.begin() + 1, args.end() - 1), args.back()};
}

InfoRequest infoRequest(const std::vector<std::string>& args) {
    if (args.empty()) return InfoRequest::None;
    if (isCompareOption(args[0]) && args.size() < 3) return InfoRequest::CompareUsage;
    if (args[0] == "--help" || args[0] == "-h") return InfoRequest::Help;
    if (args[0] == "--version") return InfoRequest::Version;
    return InfoRequest::None;
}

std::string helpText() {
    return "Usage: scrivane [FILE [LINE]]\n"
           "       scrivane FILE -p POSITION\n"
           "       scrivane +LINE FILE\n"
           "       scrivane FILE:LINE[:COLUMN]\n"
           "       scrivane --compare NEW OLD\n"
           "\n"
           "Opens FILE in the Scrivane editor, a plain-text editor that goes straight to a\n"
           "line and marks changes.\n"
           "\n"
           "  FILE LINE          FILE with line LINE (from 1) selected\n"
           "  FILE -p POSITION   FILE with the caret after its first POSITION characters\n"
           "  +LINE FILE         FILE with line LINE selected\n"
           "  FILE:LINE          FILE with line LINE selected\n"
           "  FILE:LINE:COLUMN   FILE with the caret at character COLUMN (from 1) of line LINE\n"
           "\n"
           "The arguments are joined with blanks, so \"scrivane my notes.txt 25\" opens\n"
           "\"my notes.txt\" at line 25. A single argument is one whole file name. The forms\n"
           "+LINE FILE, FILE:LINE and FILE:LINE:COLUMN apply only when no file is named by\n"
           "the command line as it stands: a file called \"notes.txt:25\" opens as itself.\n"
           "\n"
           "  -c, --compare NEW OLD\n"
           "                     open NEW and compare it with OLD at once, as Compare to...\n"
           "                     does: inserted text blue, deleted text red and struck\n"
           "                     through, Track Changes on, the caret at the first change.\n"
           "                     NEW takes the forms above (+LINE NEW, NEW:LINE, ...).\n"
           "                     As git difftool:\n"
           "                       git config difftool.scrivane.cmd 'scrivane --compare "
           "\"$REMOTE\" \"$LOCAL\"'\n"
           "  -h, --help         print this help and exit\n"
           "  --version          print the version and exit\n"
           "\n"
           "Options count only as the first argument; ./--help opens a file of that name.\n";
}

std::string versionText() {
    return std::string("scrivane ") + kVersion + "\n";
}

}  // namespace scrivane
