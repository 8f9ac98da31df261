#include "recovery/first_version_checksum.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace scrivane {
namespace {

constexpr std::uint64_t kPrime1 = 0x87C37B91114253D5ull;
constexpr std::uint64_t kPrime2 = 0x4CF5AD432745937Full;

// Words are read little-endian whatever the machine, so that a file written on one machine
// checks on another.
std::uint64_t loadWord(const unsigned char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

std::uint64_t mixWord(std::uint64_t lane, std::uint64_t word) {
    return std::rotl(lane ^ (word * kPrime1), 31) * kPrime2;
}

std::uint64_t finish(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

// Four independent lanes over blocks of 32 bytes, fed in pieces of any size.
class FirstVersionSum {
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

void FirstVersionSum::mixBlock(const unsigned char* block) {
    for (std::size_t lane = 0; lane < 4; ++lane) {
        lanes_[lane] = mixWord(lanes_[lane], loadWord(block + lane * 8));
    }
}

void FirstVersionSum::add(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    total_ += left;
    if (pendingLength_ > 0) {
        const std::size_t take = std::min(left, kBlock - pendingLength_);
        std::memcpy(pending_ + pendingLength_, p, take);
        pendingLength_ += take;
        p += take;
        left -= take;
        if (pendingLength_ < kBlock) return;
        mixBlock(pending_);
        pendingLength_ = 0;
    }
    for (; left >= kBlock; p += kBlock, left -= kBlock) mixBlock(p);
    std::memcpy(pending_, p, left);
    pendingLength_ = left;
}

std::uint64_t FirstVersionSum::value() const {
    std::uint64_t h = total_ * kPrime2;
    for (std::size_t lane = 0; lane < 4; ++lane) h = mixWord(h, lanes_[lane]) + lane;
    // The last, partial block, padded with zeros; the length above tells the padding apart.
    unsigned char last[kBlock] = {};
    std::memcpy(last, pending_, pendingLength_);
    for (std::size_t word = 0; word < pendingLength_; word += 8) {
        h = mixWord(h, loadWord(last + word));
    }
    return finish(h);
}

}  // namespace

std::uint64_t firstVersionChecksumOf(std::string_view bytes) {
    FirstVersionSum sum;
    sum.add(bytes);
    return sum.value();
}

}  // namespace scrivane
