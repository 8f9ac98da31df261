#include "settings/settings_file.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace scrivane {

namespace {

constexpr const char* kLineEnd = "\r\n";
// A point size outside this range is no usable font.
constexpr double kMinPointSize = 1;
constexpr double kMaxPointSize = 32767;

std::string_view trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A finite decimal number making up the whole (blank-trimmed) text, '.' as separator.
std::optional<double> readNumber(std::string_view text) {
    std::string_view t = trimBlanks(text);
    const bool negative = !t.empty() && t.front() == '-';
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) t.remove_prefix(1);
    // from_chars would also take "inf" and "nan": only a digit or the point may lead.
    if (t.empty() || !((t.front() >= '0' && t.front() <= '9') || t.front() == '.')) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double roundHalfToEven(double x) {
    const double down = std::floor(x);
    const double diff = x - down;
    if (diff < 0.5) return down;
    if (diff > 0.5) return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

std::optional<bool> readTruth(std::string_view text) {
    const std::string_view t = trimBlanks(text);
    if (equalsIgnoringCase(t, "true")) return true;
    if (equalsIgnoringCase(t, "false")) return false;
    if (const auto n = readNumber(t)) return *n != 0;
    return std::nullopt;
}

std::optional<double> readPointSize(std::string_view text) {
    const auto n = readNumber(text);
    if (!n) return std::nullopt;
    const double size = roundHalfToEven(*n);
    if (size < kMinPointSize || size > kMaxPointSize) return std::nullopt;
    return size;
}

std::vector<std::string_view> splitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const auto end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(content.substr(start));
            break;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
        if (content[end] == '\r' && start < content.size() && content[start] == '\n') ++start;
    }
    return lines;
}

std::string truthWord(bool on) {
    return on ? "True" : "False";
}

std::string sizeText(double size) {
    // Fixed notation never switches to an exponent; six decimals hold any size a font dialog
    // offers, and the zeros after the last significant one are dropped.
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, size, std::chars_format::fixed, 6);
    if (error != std::errc()) return "10";
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    if (text.find('.') != std::string_view::npos) {
        text = text.substr(0, text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.remove_suffix(1);
    }
    return std::string(text == "-0" ? std::string_view("0") : text);
}

// A value holding a line break would shift every following line of the file.
std::string oneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

}  // namespace

std::string serializeSettings(const Settings& s) {
    std::string out;
    for (const std::string& line :
         {truthWord(s.autoIndent), oneLine(s.font.name), sizeText(s.font.size),
          truthWord(s.font.bold), truthWord(s.font.italic), oneLine(s.recentList),
          truthWord(s.wrap)}) {
        out += line;
        out += kLineEnd;
    }
    return out;
}

void applySettingsText(std::string_view fileContent, Settings& s) {
    const std::vector<std::string_view> lines = splitLines(fileContent);
    // Each line first takes its value for "missing", then the file's line when there is one.
    const auto line = [&lines](std::size_t index, std::string_view missing) {
        return index < lines.size() ? lines[index] : missing;
    };
    if (const auto on = readTruth(line(0, "0"))) s.autoIndent = *on;
    if (const auto name = line(1, ""); !name.empty()) s.font.name = std::string(name);
    if (const auto size = readPointSize(line(2, "10"))) s.font.size = *size;
    if (const auto on = readTruth(line(3, "0"))) s.font.bold = *on;
    if (const auto on = readTruth(line(4, "0"))) s.font.italic = *on;
    s.recentList = std::string(line(5, ""));
    if (const auto on = readTruth(line(6, "0"))) s.wrap = *on;
}

std::string settingsPath(const std::string& programDir, const std::string& configDir,
                         bool programDirHasFile) {
    // Without a known configuration directory a bare name would follow the current
    // directory, which changes while the program runs.
    const std::string& dir = programDirHasFile || configDir.empty() ? programDir : configDir;
    if (dir.empty()) return kSettingsFileName;
    return dir.back() == '/' ? dir + kSettingsFileName : dir + "/" + kSettingsFileName;
}

}  // namespace scrivane
