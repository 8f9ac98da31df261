#include "platform/pure/line_ends.h"

namespace scrivane {

namespace {

// Position of the next CR or LF at or after `from`, or s.size().
std::size_t nextBreakByte(std::string_view s, std::size_t from) {
    const char* p = s.data();
    const std::size_t n = s.size();
    for (std::size_t i = from; i < n; ++i) {
        const char c = p[i];
        if (c == '\r' || c == '\n') return i;
    }
    return n;
}

// Rewrites every line break of `s` (CR LF, lone CR, lone LF) as `eol`.
std::string replaceBreaks(std::string_view s, std::string_view eol) {
    std::string out;
    out.reserve(s.size() + s.size() / 16 + 16);
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const std::size_t at = nextBreakByte(s, i);
        out.append(s.substr(i, at - i));
        if (at == n) break;
        out.append(eol);
        i = at + ((s[at] == '\r' && at + 1 < n && s[at + 1] == '\n') ? 2 : 1);
    }
    return out;
}

// A text's line breaks one by one: each byte, with any break read as a single '\n'.
class BreakReader {
  public:
    explicit BreakReader(std::string_view s) : s_(s) {}
    bool done() const { return i_ >= s_.size(); }
    char next() {
        const char c = s_[i_++];
        if (c == '\r') {
            if (i_ < s_.size() && s_[i_] == '\n') ++i_;
            return '\n';
        }
        return c;
    }

  private:
    std::string_view s_;
    std::size_t i_ = 0;
};

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
    for (std::size_t i = nextBreakByte(bytes, 0); i < n; i = nextBreakByte(bytes, i)) {
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

void toCrLfInPlace(std::string& s) {
    const std::size_t n = s.size();
    for (std::size_t i = nextBreakByte(s, 0); i < n; i = nextBreakByte(s, i)) {
        if (s[i] != '\r' || i + 1 >= n || s[i + 1] != '\n') {
            s = toCrLf(s);
            return;
        }
        i += 2;
    }
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

bool equalIgnoringLineEnds(std::string_view a, std::string_view b) {
    if (a == b) return true;
    BreakReader ra(a);
    BreakReader rb(b);
    while (!ra.done() && !rb.done()) {
        if (ra.next() != rb.next()) return false;
    }
    return ra.done() && rb.done();
}

}  // namespace scrivane
