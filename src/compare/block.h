#pragma once

#include <cstdint>

namespace scrivane {

// Index of a block in the engine's array; 0 is the sentinel that stands for "no block".
using BlockIndex = std::int32_t;

// One piece of the new text (iwhich 0) or of the old text (iwhich 1). Positions count from 1.
struct Block {
    std::int64_t ioffset = 0;  // start of the piece being refined minus 1, while a refinement runs
    std::int64_t pt0 = 0;  // start of the piece (relative to the refined piece while ioffset != 0)
    std::int64_t nbytes = 0;  // length; 0 for an empty or consumed block
    BlockIndex iprev = 0;     // previous block of the same chain
    BlockIndex inext = 0;     // next block of the same chain
    BlockIndex iother = 0;    // partner block in the other chain
    std::int8_t iwhich = 0;   // 0: new text, 1: old text
    bool isnew = false;       // unmatched new text: shown inserted
    bool istrike = false;     // unmatched old text: shown deleted
    bool isfound = false;     // matched, empty or consumed: refinement passes leave it alone
    bool operator==(const Block&) const = default;
};

inline constexpr std::int8_t kNewText = 0;
inline constexpr std::int8_t kOldText = 1;

// The sentinel stored at index 0.
inline constexpr Block kSentinelBlock{.isfound = true};

}  // namespace scrivane
