#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scrivane {

// The component's editable documents count positions in 32 bits; a larger text opens in a
// document with 64-bit positions, for reading only.
inline constexpr std::uint64_t kLargestEditable = (std::uint64_t{1} << 31) - 1;

// Above this, a document keeps no style bytes even wrapped: its wrapping in the background goes
// about fifteen times slower (a line is measured whole; 40 s of one core for 100 MB), but
// opening it touches a byte less per byte and the document takes half the memory: 1.9x a
// 100 MB file instead of 3x. Below it the toolkit's own 30-40 MB weigh more than the styles.
inline constexpr std::uint64_t kLargestStyled = std::uint64_t{64} << 20;

enum class OpenMode { Editable, ReadOnly };

// What opening a file will hold in memory, told before a byte of it is read, so that a file
// that cannot fit is refused instead of ending the program halfway through.
struct OpeningBudget {
    OpenMode mode = OpenMode::Editable;
    std::uint64_t needed = 0;  // bytes, at the peak of opening
    bool fits = true;
};

// `available` is what the system can still give (nullopt: unknown, taken as enough). With
// Wrap Text on a document up to kLargestStyled keeps a style byte per byte of text.
OpeningBudget openingBudget(std::uint64_t fileBytes, std::optional<std::uint64_t> available,
                            bool wrap);

// "Not enough memory (about N MB needed, M MB available)".
std::string notEnoughMemory(std::uint64_t needed, std::uint64_t available);

// MemAvailable from a /proc/meminfo text; nullopt when it has none.
std::optional<std::uint64_t> memAvailable(const std::string& meminfo);

}  // namespace scrivane
