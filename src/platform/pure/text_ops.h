#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// `s` without the blanks (spaces only) at its ends.
std::string_view trimBlanks(std::string_view s);

// `s` with every occurrence of `from` (exact, not overlapping, left to right) replaced by `to`.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

}  // namespace scrivane
