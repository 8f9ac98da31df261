#pragma once

#include <random>
#include <string>

namespace scrivane {

// English-like text for the benchmarks: `lines` lines of exactly `perLine` bytes, LF ends.
inline std::string benchWords(std::size_t lines, std::size_t perLine, unsigned seed) {
    static const char* kWords[] = {"the",    "quick",  "brown",    "fox",    "jumps",
                                   "over",   "lazy",   "dog",      "editor", "line",
                                   "change", "marked", "document", "text"};
    std::mt19937 rng(seed);
    std::string data;
    data.reserve(lines * perLine);
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t start = data.size();
        while (data.size() - start + 1 < perLine) {
            data += kWords[rng() % 14];
            data += ' ';
        }
        data.resize(start + perLine - 1);
        data += '\n';
    }
    return data;
}

}  // namespace scrivane
