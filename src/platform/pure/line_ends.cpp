#include "platform/pure/line_ends.h"

#include <algorithm>
#include <cstring>

namespace scrivane {

namespace {

// Finds line-break bytes with memchr, which is many times faster than a byte loop on long
// lines; the next CR and the next LF are remembered so that each byte is searched once.
class BreakScanner {
  public:
    explicit BreakScanner(std::string_view s)
        : s_(s), nextCr_(find('\r', 0)), nextLf_(find('\n', 0)) {}

    // Position of the next CR or LF at or after `from`, or s.size().
    std::size_t next(std::size_t from) {
        if (nextCr_ < from) nextCr_ = find('\r', from);
        if (nextLf_ < from) nextLf_ = find('\n', from);
        return std::min(nextCr_, nextLf_);
    }

  private:
    std::size_t find(char c, std::size_t from) const {
        if (from >= s_.size()) return s_.size();
        const void* hit = std::memchr(s_.data() + from, c, s_.size() - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s_.data())
                   : s_.size();
    }

    std::string_view s_;
    std::size_t nextCr_;
    std::size_t nextLf_;
};

// Length of the line break that starts at `at` (2 for CR LF, else 1).
std::size_t breakLength(std::string_view s, std::size_t at) {
    return s[at] == '\r' && at + 1 < s.size() && s[at + 1] == '\n' ? 2 : 1;
}

// Rewrites every line break of `s` (CR LF, lone CR, lone LF) as `eol`.
std::string replaceBreaks(std::string_view s, std::string_view eol) {
    std::string out;
    out.reserve(s.size() + s.size() / 16 + 16);
    BreakScanner scanner(s);
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const std::size_t at = scanner.next(i);
        out.append(s.substr(i, at - i));
        if (at == n) break;
        out.append(eol);
        i = at + breakLength(s, at);
    }
    return out;
}

// 1-based position as the editor counts it; 0 when absent.
std::size_t position(std::size_t index) {
    return index == std::string::npos ? 0 : index + 1;
}

}  // namespace

LineEnds platformLineEnds() {
#ifdef _WIN32
    return LineEnds::CrLf;
#else
    return LineEnds::Lf;
#endif
}

LineEnds detectLineEnds(std::string_view bytes, LineEnds fallback) {
    bool crlf = false;
    bool cr = false;
    bool lf = false;
    const std::size_t n = bytes.size();
    BreakScanner scanner(bytes);
    for (std::size_t i = scanner.next(0); i < n; i = scanner.next(i)) {
        if (bytes[i] == '\r') {
            if (i + 1 < n && bytes[i + 1] == '\n') {
                crlf = true;
                i += 2;
                continue;
            }
            cr = true;
        } else {
            lf = true;
        }
        ++i;
    }
    if (crlf || (cr && lf)) return LineEnds::CrLf;
    if (lf) return LineEnds::Lf;
    if (cr) return LineEnds::Cr;
    return fallback;
}

void fixlines(std::string& s) {
    if (s.empty()) return;
    const std::size_t lastCR = position(s.rfind('\r'));
    const std::size_t lastLF = position(s.rfind('\n'));
    const std::size_t firstCR = position(s.find('\r'));
    const std::size_t firstLF = position(s.find('\n'));
    if (lastLF == lastCR + 1 && firstLF == firstCR + 1) return;
    // CR LF -> LF, then CR -> LF, then LF -> CR LF: every break of any form ends as CR LF.
    toCrLfInPlace(s);
}

std::string toCrLf(std::string_view s) {
    return replaceBreaks(s, "\r\n");
}

std::size_t firstLoneBreak(std::string_view s) {
    const std::size_t n = s.size();
    BreakScanner scanner(s);
    for (std::size_t i = scanner.next(0); i < n; i = scanner.next(i)) {
        if (s[i] != '\r' || i + 1 >= n || s[i + 1] != '\n') return i;
        i += 2;
    }
    return n;
}

void toCrLfInPlace(std::string& s) {
    const std::size_t lone = firstLoneBreak(s);
    if (lone == s.size()) return;
    std::string out = toCrLf(std::string_view(s).substr(lone));
    s.resize(lone);
    s.append(out);
}

std::string fromCrLf(std::string_view text, LineEnds ends) {
    switch (ends) {
        case LineEnds::Lf:
            return replaceBreaks(text, "\n");
        case LineEnds::Cr:
            return replaceBreaks(text, "\r");
        case LineEnds::CrLf:
            break;
    }
    return replaceBreaks(text, "\r\n");
}

}  // namespace scrivane
