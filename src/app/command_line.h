#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

enum class GotoMode { None, Line, Char };

// What the command line asks for: a file, and optionally a line (the box text `tail`, as
// typed) or a character position (`number`). With a line, `column` (from 1; 0 for none)
// puts the caret at that character of the line instead of selecting the line.
struct CommandLineRequest {
    std::string fileName;
    GotoMode mode = GotoMode::None;
    std::string tail;
    Pos number = 0;
    Pos column = 0;
    bool operator==(const CommandLineRequest&) const = default;
};

// Whether a file of the given name exists (relative names from the current directory).
using FileExists = std::function<bool(const std::string&)>;

// The arguments arrive already split: they are joined with single blanks, and the last
// blank-separated word is a line number (or, with " -p", a character position) when it reads
// as a number other than 0. A single argument is always the file name whole.
//
// When that finds no number, the forms other editors accept are tried, but only when no file
// is named by the command line as it stands, so that every name that opened before still
// does: "+N FILE" (N as the first argument) and "FILE:N" or "FILE:N:C".
std::optional<CommandLineRequest> parseCommandLine(const std::vector<std::string>& args,
                                                   const FileExists& exists);

// The byte offset of character `column` (from 1) in `line`: the end of the line when the
// line is shorter, and 0 for a column below 1.
Pos columnOffset(std::string_view line, Pos column, bool utf8Document);

// "--compare NEW OLD" (or -c): NEW opened as the arguments in `open` would open it (+N,
// FILE:N, FILE LINE and -p apply to it), then compared with the file OLD, the last argument.
struct CompareRequest {
    std::vector<std::string> open;
    std::string old;
    bool operator==(const CompareRequest&) const = default;
};

// The compare request when the first argument is --compare or -c and at least two follow.
std::optional<CompareRequest> compareRequest(const std::vector<std::string>& args);

// --help and --version, answered without a window, and a --compare that lacks a file.
// Recognised as the first argument only.
enum class InfoRequest { None, Help, Version, CompareUsage };
InfoRequest infoRequest(const std::vector<std::string>& args);
std::string helpText();
std::string versionText();

}  // namespace scrivane
