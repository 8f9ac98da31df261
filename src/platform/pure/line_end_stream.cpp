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

// The next CR or LF of a piece: each is searched for once, the later one remembered.
class Breaks {
  public:
    explicit Breaks(std::string_view s) : s_(s), cr_(find('\r', 0)), lf_(find('\n', 0)) {}
    std::size_t next(std::size_t from) {
        if (cr_ < from) cr_ = find('\r', from);
        if (lf_ < from) lf_ = find('\n', from);
        return std::min(cr_, lf_);
    }

  private:
    std::size_t find(char c, std::size_t from) const {
        if (from >= s_.size()) return s_.size();
        const void* hit = std::memchr(s_.data() + from, c, s_.size() - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s_.data())
                   : s_.size();
    }

    std::string_view s_;
    std::size_t cr_;
    std::size_t lf_;
};

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
    Breaks breaks(bytes);
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
