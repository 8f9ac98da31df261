#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

enum class GotoMode { None, Line, Char };

// What the command line asks for: a file, and optionally a line (the box text `tail`, as
// typed) or a character position (`number`).
struct CommandLineRequest {
    std::string fileName;
    GotoMode mode = GotoMode::None;
    std::string tail;
    Pos number = 0;
    bool operator==(const CommandLineRequest&) const = default;
};

// The arguments arrive already split: they are joined with single blanks, and the last
// blank-separated word is a line number (or, with " -p", a character position) when it reads
// as a number other than 0. A single argument is always the file name whole.
std::optional<CommandLineRequest> parseCommandLine(const std::vector<std::string>& args);

}  // namespace scrivane
