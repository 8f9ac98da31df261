#include "platform/pure/text_survey.h"

#include <algorithm>
#include <cstring>

namespace scrivane {

void TextSurvey::add(std::string_view piece) {
    utf8_.add(piece);
    for (std::size_t at = 0; at < piece.size();) {
        const void* lf = std::memchr(piece.data() + at, '\n', piece.size() - at);
        const std::size_t end =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - piece.data())
               : piece.size();
        lineSoFar_ += end - at;
        longest_ = std::max(longest_, lineSoFar_);
        if (lf == nullptr) break;
        lineSoFar_ = 0;
        at = end + 1;
    }
}

}  // namespace scrivane
