#include "recovery/checksum.h"

#include <bit>
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

}  // namespace

void Checksum::mixBlock(const unsigned char* block) {
    for (std::size_t lane = 0; lane < 4; ++lane) {
        lanes_[lane] = mixWord(lanes_[lane], loadWord(block + lane * 8));
    }
}

void Checksum::add(std::string_view bytes) {
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

std::uint64_t Checksum::value() const {
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

std::uint64_t checksumOf(std::string_view bytes) {
    Checksum sum;
    sum.add(bytes);
    return sum.value();
}

}  // namespace scrivane
