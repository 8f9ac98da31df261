#include "platform/pure/line_end_stream.h"

#include "platform/pure/line_break_scan.h"

namespace scrivane {
using line_break_scan::BreakScanner;
using line_break_scan::endOf;

LineEndStream::LineEndStream(LineEnds usual) : usual_(usual), usualEnd_(endOf(usual)) {}

void LineEndStream::note(LineEnd end) {
    if (end != usualEnd_) breaks_.push_back(LineBreak{line_, end});
    ++line_;
    ++(end == LineEnd::CrLf ? counts_.crlf : end == LineEnd::Lf ? counts_.lf : counts_.cr);
}

void LineEndStream::settleUsual(LineEnds fallback) {
    const LineEnds usual = mostUsed(counts_, fallback);
    if (usual == usual_) return;
    const LineEnd usualEnd = endOf(usual);
    std::vector<LineBreak> breaks;
    auto listed = breaks_.begin();
    for (Pos line = 0; line < line_; ++line) {
        LineEnd end = usualEnd_;
        if (listed != breaks_.end() && listed->line == line) end = (listed++)->end;
        if (end != usualEnd) breaks.push_back(LineBreak{line, end});
    }
    breaks_ = std::move(breaks);
    usual_ = usual;
    usualEnd_ = usualEnd;
}

void LineEndStream::add(std::string_view bytes, std::string& out) {
    std::size_t i = 0;
    if (pendingCr_ && !bytes.empty()) {
        pendingCr_ = false;
        out += "\r\n";
        if (bytes.front() == '\n') {
            note(LineEnd::CrLf);
            i = 1;
        } else {
            note(LineEnd::Cr);
        }
    }
    const std::size_t n = bytes.size();
    BreakScanner breaks(bytes);
    while (i < n) {
        const std::size_t at = breaks.next(i);
        out.append(bytes.substr(i, at - i));
        if (at == n) break;
        if (bytes[at] == '\n') {
            out += "\r\n";
            note(LineEnd::Lf);
            i = at + 1;
        } else if (at + 1 == n) {
            pendingCr_ = true;
            i = n;
        } else {
            out += "\r\n";
            const bool pair = bytes[at + 1] == '\n';
            note(pair ? LineEnd::CrLf : LineEnd::Cr);
            i = at + (pair ? 2 : 1);
        }
    }
}

void LineEndStream::finish(std::string& out) {
    if (!pendingCr_) return;
    pendingCr_ = false;
    out += "\r\n";
    note(LineEnd::Cr);
}

}  // namespace scrivane
