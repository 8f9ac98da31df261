#include "files/opening_budget.h"

#include <sstream>

namespace scrivane {
namespace {

// Per byte of the file, at the peak of opening: the component's text (breaks widened to CR LF
// and room for a first paste), its style bytes with Wrap Text on, and its line index and
// wrapping tables. The text as opened is the component's own until edits change it. Measured
// on files of short lines, which cost the most per byte; a few megabytes more for the program
// itself.
constexpr double kComponentText = 1.1;
constexpr double kStyles = 1.0;
constexpr std::uint64_t kProgram = std::uint64_t{200} << 20;

std::uint64_t megabytes(std::uint64_t bytes) {
    return (bytes + (1u << 19)) >> 20;
}

}  // namespace

OpeningBudget openingBudget(std::uint64_t fileBytes, std::optional<std::uint64_t> available,
                            bool wrap) {
    OpeningBudget budget;
    budget.mode = fileBytes > kLargestEditable ? OpenMode::ReadOnly : OpenMode::Editable;
    const bool styled = wrap && fileBytes <= kLargestStyled;
    const double factor = kComponentText + (styled ? kStyles : 0.0);
    budget.needed = static_cast<std::uint64_t>(static_cast<double>(fileBytes) * factor) + kProgram;
    budget.fits = !available || budget.needed <= *available;
    return budget;
}

std::string notEnoughMemory(std::uint64_t needed, std::uint64_t available) {
    std::ostringstream out;
    out << "Not enough memory (about " << megabytes(needed) << " MB needed, "
        << megabytes(available) << " MB available)";
    return out.str();
}

std::optional<std::uint64_t> memAvailable(const std::string& meminfo) {
    std::istringstream in(meminfo);
    std::string key;
    std::uint64_t value = 0;
    std::string unit;
    while (in >> key >> value) {
        std::getline(in, unit);
        if (key == "MemAvailable:") return value * 1024;
    }
    return std::nullopt;
}

}  // namespace scrivane
