#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace scrivane {

// A 64-bit checksum of a byte stream that may be fed in pieces of any size: the same bytes
// give the same sum however they were cut. It finds damage (a torn write, a flipped bit, a
// truncated file), not deliberate forgery. Four independent lanes keep it near memory speed.
class Checksum {
  public:
    void add(std::string_view bytes);
    std::uint64_t value() const;

  private:
    static constexpr std::size_t kBlock = 32;
    void mixBlock(const unsigned char* block);

    std::uint64_t lanes_[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                               0x27D4EB2F165667C5ull};
    std::uint64_t total_ = 0;
    unsigned char pending_[kBlock] = {};
    std::size_t pendingLength_ = 0;
};

// The checksum of one piece.
std::uint64_t checksumOf(std::string_view bytes);

}  // namespace scrivane
