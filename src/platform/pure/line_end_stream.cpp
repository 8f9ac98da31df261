#include "platform/pure/line_end_stream.h"

#include <algorithm>
#include <cstring>

namespace scrivane {
namespace {

LineEnd endOf(LineEnds ends) {
    switch (ends) {
        case LineEnds::Lf:
            return LineEnd::Lf;
        case LineEnds::Cr:
            return LineEnd::Cr;
        case LineEnds::CrLf:
            break;
    }
    return LineEnd::CrLf;
}

// The next CR or LF at or after `from`, or s.size().
std::size_t nextBreak(std::string_view s, std::size_t from) {
    const char* const begin = s.data() + from;
    const std::size_t n = s.size() - from;
    const void* cr = std::memchr(begin, '\r', n);
    const std::size_t lfLimit =
        cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - begin) : n;
    const void* lf = std::memchr(begin, '\n', lfLimit);
    if (lf) return from + static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
    return from + lfLimit;
}

}  // namespace

LineEndStream::LineEndStream(LineEnds usual) : usual_(usual), usualEnd_(endOf(usual)) {}

void LineEndStream::note(LineEnd end) {
    if (end != usualEnd_) breaks_.push_back(LineBreak{line_, end});
    ++line_;
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
    while (i < n) {
        const std::size_t at = nextBreak(bytes, i);
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
