#include "recovery/checksum.h"

#include <new>

namespace scrivane {

Checksum::Checksum() : state_(XXH3_createState()) {
    if (!state_) throw std::bad_alloc();
    XXH3_64bits_reset(state_.get());
}

void Checksum::add(std::string_view bytes) {
    XXH3_64bits_update(state_.get(), bytes.data(), bytes.size());
}

std::uint64_t Checksum::value() const {
    return XXH3_64bits_digest(state_.get());
}

std::uint64_t checksumOf(std::string_view bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

}  // namespace scrivane
