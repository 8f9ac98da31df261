#pragma once

#include <cstdint>
#include <string_view>

namespace scrivane {

// The 64-bit checksum that recovery files of the first version carry, in their header and at
// their end; later versions carry XXH3 (recovery/checksum.h). Kept only to read those files,
// so it must never change: a file written by the first version would no longer check.
std::uint64_t firstVersionChecksumOf(std::string_view bytes);

}  // namespace scrivane
