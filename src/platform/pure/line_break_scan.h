#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/pure/line_ends.h"

// What reading line ends whole (line_ends.cpp) and piece by piece (line_end_stream.cpp) share.
namespace scrivane::line_break_scan {

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

// The line end a file's usual ending writes.
inline LineEnd endOf(LineEnds ends) {
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

}  // namespace scrivane::line_break_scan
