#include "app/command_line.h"

#include "navigate/goto_line.h"
#include "platform/pure/text_ops.h"

namespace scrivane {

std::optional<CommandLineRequest> parseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) return std::nullopt;
    if (args.size() == 1) {
        if (args[0].empty()) return std::nullopt;
        return CommandLineRequest{args[0], GotoMode::None, "", 0};
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
                                  mode, tail, number};
    }
    return CommandLineRequest{line, GotoMode::None, "", 0};
}

}  // namespace scrivane
