#pragma once

#include <xxhash.h>

#include <cstdint>
#include <memory>
#include <string_view>

namespace scrivane {

// The 64-bit checksum recovery files carry (XXH3, from libxxhash), of a byte stream that may be
// fed in pieces of any size: the same bytes give the same sum however they were cut. It finds
// damage (a torn write, a flipped bit, a truncated file), not deliberate forgery.
class Checksum {
  public:
    Checksum();
    void add(std::string_view bytes);
    std::uint64_t value() const;

  private:
    struct FreeState {
        void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
    };
    std::unique_ptr<XXH3_state_t, FreeState> state_;
};

// The checksum of one piece.
std::uint64_t checksumOf(std::string_view bytes);

}  // namespace scrivane
