// The chunk finder against a plain scan of T, used the way the refinement uses it: chunks
// asked for in order, each occurrence after the last claimed one claimed in turn.

#include "compare/chunk_finder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace scrivane {
namespace {

// First place of `chunk` in t whose bytes are all unclaimed, or -1.
std::int64_t scanFor(std::string_view t, std::string_view chunk, const std::vector<bool>& taken) {
    if (chunk.empty() || chunk.size() > t.size()) return -1;
    for (std::size_t p = 0; p + chunk.size() <= t.size(); ++p) {
        bool free = true;
        for (std::size_t i = 0; i < chunk.size() && free; ++i) free = !taken[p + i];
        if (free && t.compare(p, chunk.size(), chunk) == 0) return static_cast<std::int64_t>(p);
    }
    return -1;
}

struct Shape {
    const char* what;
    std::int64_t minlen;
    std::size_t length;    // of the base text
    std::string alphabet;  // its bytes
    std::size_t edits;     // small changes between S and T
};

TEST(ChunkFinder, MatchesAPlainScan) {
    const Shape shapes[] = {
        {"short chunks, two letters", 10, 400, "ab", 6},
        {"short chunks, letters", 100, 3000, "abcdefghij", 10},
        // Long chunks take the sampled index; on one repeated byte it gives up for the
        // rolling one.
        {"long chunks, letters", 1000, 9000, "abcdefghijklmnop", 12},
        {"long chunks, two letters", 1000, 7000, "ab", 12},
        {"long chunks, one byte", 1000, 6000, "a", 4},
        {"long chunks, one byte and a rare one", 1200, 8000, "aaaaaaaaaaaaaaaaaaaab", 6},
    };
    std::mt19937 rng(99);
    auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    for (const Shape& shape : shapes) {
        for (int round = 0; round < 12; ++round) {
            std::string base;
            for (std::size_t i = 0; i < shape.length; ++i) {
                base.push_back(shape.alphabet[below(shape.alphabet.size())]);
            }
            std::string t = base;
            for (std::size_t e = 0; e < shape.edits; ++e) {
                const std::size_t at = below(t.size());
                if (below(2) == 0) {
                    t.insert(at, std::string(1 + below(20), 'x'));
                } else {
                    t.erase(at, 1 + below(20));
                }
            }
            // Some rounds move a stretch, so that chunks occur out of order.
            std::string s = base;
            if (round % 3 == 0) {
                const std::size_t from = below(s.size() / 2);
                const std::string piece = s.substr(from, s.size() / 4);
                s.erase(from, piece.size());
                s.append(piece);
            }
            ChunkFinder finder(s, t, shape.minlen);
            std::vector<bool> taken(t.size(), false);
            std::int64_t lastPos = -shape.minlen;
            const auto chunks = static_cast<std::int64_t>(
                (s.size() + static_cast<std::size_t>(shape.minlen) - 1) / shape.minlen);
            for (std::int64_t k = 0; k < chunks; ++k) {
                const std::string_view chunk =
                    std::string_view(s).substr(static_cast<std::size_t>(k * shape.minlen),
                                               static_cast<std::size_t>(shape.minlen));
                const std::int64_t expected = scanFor(t, chunk, taken);
                ASSERT_EQ(finder.find(k), expected)
                    << shape.what << ", round " << round << ", chunk " << k;
                if (expected >= 0 && expected > lastPos) {
                    finder.claim(expected, static_cast<std::int64_t>(chunk.size()));
                    for (std::size_t i = 0; i < chunk.size(); ++i) taken[expected + i] = true;
                    lastPos = expected;
                }
            }
        }
    }
}

}  // namespace
}  // namespace scrivane
