#pragma once

#include <cstddef>

namespace scrivane::memory {

// Blocks of this size and more get a mapping of their own, filled in 2 MB pages.
inline constexpr std::size_t kLargeBlock = std::size_t{1} << 20;

}  // namespace scrivane::memory
