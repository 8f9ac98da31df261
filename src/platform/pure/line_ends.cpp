#include "platform/pure/line_ends.h"

#include "platform/pure/line_break_scan.h"

#include <algorithm>
#include <cstring>

namespace scrivane {

using line_break_scan::BreakScanner;
using line_break_scan::endOf;

namespace {

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

namespace {

BreakCounts countBreaks(std::string_view bytes) {
    BreakCounts counts;
    const std::size_t n = bytes.size();
    BreakScanner scanner(bytes);
    for (std::size_t i = scanner.next(0); i < n; i = scanner.next(i)) {
        const std::size_t length = breakLength(bytes, i);
        if (length == 2) {
            ++counts.crlf;
        } else if (bytes[i] == '\r') {
            ++counts.cr;
        } else {
            ++counts.lf;
        }
        i += length;
    }
    return counts;
}

std::string_view bytesOf(LineEnd end) {
    switch (end) {
        case LineEnd::Lf:
            return "\n";
        case LineEnd::Cr:
            return "\r";
        case LineEnd::CrLf:
        case LineEnd::Usual:
            break;
    }
    return "\r\n";
}

}  // namespace

LineEnds mostUsed(const BreakCounts& counts, LineEnds fallback) {
    if (counts.crlf == 0 && counts.lf == 0 && counts.cr == 0) return fallback;
    if (counts.crlf >= counts.lf && counts.crlf >= counts.cr) return LineEnds::CrLf;
    return counts.lf >= counts.cr ? LineEnds::Lf : LineEnds::Cr;
}

LineEnds detectLineEnds(std::string_view bytes, LineEnds fallback) {
    return mostUsed(countBreaks(bytes), fallback);
}

namespace {

// Last position before `to` holding `c`, or npos.
std::size_t findBefore(std::string_view s, char c, std::size_t to) {
    const void* hit = to == 0 ? nullptr : ::memrchr(s.data(), c, to);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data())
               : std::string_view::npos;
}

// Turns every lone CR and LF of `s` into CR LF where the text lies, working back from the
// end, so that a large file needs no second buffer. `lone` is how many there are.
void widenBreaksInPlace(std::string& s, std::size_t lone) {
    constexpr std::size_t kNone = std::string_view::npos;
    const std::size_t n = s.size();
    s.resize(n + lone);
    char* const data = s.data();
    const std::string_view old(data, n);
    // Bytes [0, read) are still where the file had them; from `write` on the text is done.
    // Their distance is the number of lone breaks left before `read`.
    std::size_t read = n;
    std::size_t write = s.size();
    // The last CR and LF before `read` (none stays none as `read` goes back).
    std::size_t lastCr = findBefore(old, '\r', read);
    std::size_t lastLf = findBefore(old, '\n', read);
    while (write != read) {
        if (lastCr != kNone && lastCr >= read) lastCr = findBefore(old, '\r', read);
        if (lastLf != kNone && lastLf >= read) lastLf = findBefore(old, '\n', read);
        const std::size_t at = lastCr == kNone   ? lastLf
                               : lastLf == kNone ? lastCr
                                                 : std::max(lastCr, lastLf);
        const std::size_t tail = read - (at + 1);
        write -= tail;
        std::memmove(data + write, data + at + 1, tail);
        write -= 2;
        // A CR just before a LF is that break's own; a CR is never followed by a LF here, as
        // the LF would have been the later break.
        read = old[at] == '\n' && at > 0 && old[at - 1] == '\r' ? at - 1 : at;
        data[write] = '\r';
        data[write + 1] = '\n';
    }
}

}  // namespace

DocumentText readLineEnds(std::string bytes, LineEnds fallback) {
    DocumentText doc;
    const BreakCounts counts = countBreaks(bytes);
    doc.usual = mostUsed(counts, fallback);
    const LineEnd usual = endOf(doc.usual);
    const std::string_view s = bytes;
    const std::size_t n = s.size();
    BreakScanner scanner(s);
    Pos line = 0;
    for (std::size_t at = scanner.next(0); at < n; at = scanner.next(at)) {
        const std::size_t length = breakLength(s, at);
        const LineEnd end = length == 2 ? LineEnd::CrLf : s[at] == '\r' ? LineEnd::Cr : LineEnd::Lf;
        if (end != usual) doc.breaks.push_back(LineBreak{line, end});
        ++line;
        at += length;
    }
    if (counts.lf + counts.cr > 0) widenBreaksInPlace(bytes, counts.lf + counts.cr);
    doc.text = std::move(bytes);
    return doc;
}

bool writeLineEndsInPieces(std::string_view text, LineEnds usual,
                           const std::vector<LineBreak>& breaks, std::size_t pieceSize,
                           const PieceSink& sink) {
    pieceSize = std::max<std::size_t>(pieceSize, 1);
    std::string out;
    out.reserve(std::min(pieceSize, text.size()) + 2);
    // Short stretches gather in `out`; a stretch longer than a piece goes out as it stands.
    const auto put = [&](std::string_view s) {
        if (out.size() + s.size() <= pieceSize) {
            out.append(s);
            return true;
        }
        if (!out.empty()) {
            if (!sink(out)) return false;
            out.clear();
        }
        for (; s.size() >= pieceSize; s.remove_prefix(pieceSize)) {
            if (!sink(s.substr(0, pieceSize))) return false;
        }
        out.append(s);
        return true;
    };
    const std::string_view usualBytes = bytesOf(endOf(usual));
    auto exception = breaks.begin();
    Pos line = 0;
    std::size_t i = 0;
    const std::size_t n = text.size();
    BreakScanner scanner(text);
    while (i < n) {
        const std::size_t at = scanner.next(i);
        if (!put(text.substr(i, at - i))) return false;
        if (at == n) break;
        while (exception != breaks.end() && exception->line < line) ++exception;
        const bool own = exception != breaks.end() && exception->line == line &&
                         exception->end != LineEnd::Usual;
        if (!put(own ? bytesOf(exception->end) : usualBytes)) return false;
        ++line;
        i = at + breakLength(text, at);
    }
    return out.empty() || sink(out);
}

std::string writeLineEnds(std::string_view text, LineEnds usual,
                          const std::vector<LineBreak>& breaks) {
    std::string whole;
    whole.reserve(text.size());  // a break never grows: CR LF is the longest
    writeLineEndsInPieces(text, usual, breaks, kSavePiece, [&](std::string_view piece) {
        whole.append(piece);
        return true;
    });
    return whole;
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
    const BreakCounts counts = countBreaks(s);
    if (counts.lf + counts.cr > 0) widenBreaksInPlace(s, counts.lf + counts.cr);
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
