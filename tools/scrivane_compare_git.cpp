#include "scrivane_compare_git.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string_view>

#include "compare/compare_engine.h"
#include "scrivane_compare_file.h"

namespace scrivane::compare_tool {
namespace {

constexpr std::string_view kNoFile = "/dev/null";

// git's own test: a NUL among the first 8000 bytes makes a file binary.
bool looksBinary(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, std::min<std::size_t>(bytes.size(), 8000));
    return head.find('\0') != std::string_view::npos;
}

// The lines between "diff --git" and the difference, as git writes them.
std::string header(const std::vector<std::string>& f) {
    const std::string& path = f[0];
    const std::string& newPath = f.size() == 9 ? f[7] : path;
    std::string out =
        "diff --git " + gitQuoted("a/" + path) + " " + gitQuoted("b/" + newPath) + "\n";
    if (f[1] == kNoFile) {
        out += "new file mode " + f[6] + "\n";
    } else if (f[4] == kNoFile) {
        out += "deleted file mode " + f[3] + "\n";
    } else if (f[3] != f[6]) {
        out += "old mode " + f[3] + "\nnew mode " + f[6] + "\n";
    }
    if (f.size() == 9 && !f[8].empty()) {
        out += f[8];
        if (out.back() != '\n') out.push_back('\n');
    }
    return out;
}

std::string_view namedEscape(unsigned char c) {
    switch (c) {
        case '\a':
            return "\\a";
        case '\b':
            return "\\b";
        case '\t':
            return "\\t";
        case '\n':
            return "\\n";
        case '\v':
            return "\\v";
        case '\f':
            return "\\f";
        case '\r':
            return "\\r";
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        default:
            return {};
    }
}

int write(std::string_view text) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (std::cout.flush()) return 0;
    std::cerr << "scrivane-compare: cannot write the output\n";
    return 2;
}

}  // namespace

bool isGitCall(const std::vector<std::string>& files, bool gitEnvironment) {
    return files.size() == 7 || files.size() == 9 || (files.size() == 1 && gitEnvironment);
}

std::string gitQuoted(const std::string& path) {
    const bool plain = std::none_of(path.begin(), path.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == 0x7F || c == '"' || c == '\\';
    });
    if (plain) return path;
    std::string out = "\"";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (const std::string_view named = namedEscape(c); !named.empty()) {
            out.append(named);
        } else if (c < 0x20 || c == 0x7F) {
            out.push_back('\\');
            out.push_back(static_cast<char>('0' + (c >> 6)));
            out.push_back(static_cast<char>('0' + ((c >> 3) & 7)));
            out.push_back(static_cast<char>('0' + (c & 7)));
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
    return out;
}

int gitExternalDiff(const std::vector<std::string>& files, GitBody body, const AnsiStyle& style) {
    if (files.size() == 1) return write("* Unmerged path " + files[0] + "\n");

    std::string error;
    std::optional<FileText> oldFile = readFile(files[1], error);
    std::optional<FileText> newFile = oldFile ? readFile(files[4], error) : std::nullopt;
    if (!oldFile || !newFile) {
        std::cerr << "scrivane-compare: " << error << "\n";
        return 2;
    }
    std::string out = header(files);
    const std::string& newPath = files.size() == 9 ? files[7] : files[0];
    if (oldFile->view() == newFile->view()) return write(out);  // a mode change or a rename
    if (looksBinary(oldFile->view()) || looksBinary(newFile->view())) {
        const std::string a = files[1] == kNoFile ? std::string(kNoFile) : "a/" + files[0];
        const std::string b = files[4] == kNoFile ? std::string(kNoFile) : "b/" + newPath;
        return write(out + "Binary files " + gitQuoted(a) + " and " + gitQuoted(b) + " differ\n");
    }
    newFile->normaliseLineEnds();
    oldFile->normaliseLineEnds();
    const std::string_view docnew = newFile->view();
    const std::string_view docold = oldFile->view();
    if (docnew == docold) return write(out + "Only the line ends differ.\n");

    CompareEngine engine;
    engine.compareblocks(docnew, docold);
    if (body == GitBody::Count) {
        out += differencesText(engine.countchanges()) + "\n";
    } else {
        out += ansiText(engine, docnew, docold, style);
    }
    return write(out);
}

}  // namespace scrivane::compare_tool
