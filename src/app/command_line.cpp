#include "app/command_line.h"

#include "navigate/goto_line.h"

namespace scrivane {
namespace {

std::string trimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = s.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(s, pos, hit - pos).append(to);
    }
    s = out.append(s, pos, std::string::npos);
}

}  // namespace

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
        replaceAll(line, " -p", " ");
    }
    const std::size_t blank = line.rfind(' ');
    const std::string tail = blank == std::string::npos ? "" : line.substr(blank + 1);
    const Pos number = roundHalfEven(readNumber(tail));
    if (blank != std::string::npos && blank > 0 && number != 0) {
        return CommandLineRequest{trimBlanks(line.substr(0, blank)), mode, tail, number};
    }
    return CommandLineRequest{line, GotoMode::None, "", 0};
}

}  // namespace scrivane
