#include "platform/pure/text_ops.h"

namespace scrivane {

std::string_view trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    for (std::size_t at = s.find(from); at != std::string_view::npos; at = s.find(from, i)) {
        out.append(s.substr(i, at - i));
        out.append(to);
        i = at + from.size();
    }
    out.append(s.substr(i));
    return out;
}

}  // namespace scrivane
