#pragma once

#include <cstdint>
#include <string_view>

#include "platform/pure/utf8.h"

namespace scrivane {

// What a document text given piece by piece (cut anywhere) is like, as far as the editing
// component must know before it shows it: whether it is UTF-8, and its longest line. Taken
// where the text is made, so that the window's thread does not pass over it again.
class TextSurvey {
  public:
    void add(std::string_view piece);
    bool utf8() const { return utf8_.valid(); }
    // In bytes up to an LF, the CR before it counted.
    std::uint64_t longestLine() const { return longest_; }

  private:
    Utf8Stream utf8_;
    std::uint64_t lineSoFar_ = 0;
    std::uint64_t longest_ = 0;
};

}  // namespace scrivane
