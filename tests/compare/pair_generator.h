#pragma once

// Seeded generators of text pairs for the comparison tests: a base text in one of several
// byte alphabets, and an edited copy of it.

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace scrivane::testing {

enum class Alphabet { TwoLetters, Letters, Words, Lines, AnyByte, Utf8 };

inline constexpr std::array<Alphabet, 6> kAllAlphabets = {Alphabet::TwoLetters, Alphabet::Letters,
                                                          Alphabet::Words,      Alphabet::Lines,
                                                          Alphabet::AnyByte,    Alphabet::Utf8};

struct TextPair {
    std::string docnew;
    std::string docold;
};

class PairGenerator {
  public:
    explicit PairGenerator(std::uint32_t seed) : rng_(seed) {}

    std::size_t below(std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }

    // A text of about `length` bytes (Utf8 and Words may run a few bytes over).
    std::string text(Alphabet alphabet, std::size_t length) {
        static constexpr std::array<std::string_view, 12> kWords = {
            "the ",  "quick ", "brown ", "fox ",   "jumps ", "over ",
            "lazy ", "dog ",   "and ",   "again ", "of ",    "a "};
        static constexpr std::array<std::string_view, 8> kChars = {
            "a", "b", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "\xD0\xB6", "\r\n"};
        std::string out;
        while (out.size() < length) {
            switch (alphabet) {
                case Alphabet::TwoLetters:
                    out.push_back(below(2) == 0 ? 'a' : 'b');
                    break;
                case Alphabet::Letters:
                    out.push_back(static_cast<char>('a' + below(26)));
                    break;
                case Alphabet::Words:
                    out.append(kWords[below(kWords.size())]);
                    break;
                case Alphabet::Lines:
                    out.append(below(6) == 0 ? "\r\n" : std::string(1, "xyz{}\\"[below(6)]));
                    break;
                case Alphabet::AnyByte: {
                    // NUL and high bytes often, so that they meet chunk and match borders.
                    const std::size_t pick = below(4);
                    out.push_back(pick == 0   ? '\0'
                                  : pick == 1 ? static_cast<char>(0x80 + below(128))
                                              : static_cast<char>(below(256)));
                    break;
                }
                case Alphabet::Utf8:
                    out.append(kChars[below(kChars.size())]);
                    break;
            }
        }
        return out;
    }

    // `base` with `edits` random insertions, deletions, replacements, moves and repeats.
    std::string edited(std::string base, Alphabet alphabet, std::size_t edits,
                       std::size_t maxEditLength) {
        for (std::size_t e = 0; e < edits; ++e) {
            const std::size_t at = below(base.size() + 1);
            const std::size_t length = 1 + below(maxEditLength);
            const std::size_t span = std::min(length, base.size() - at);
            switch (below(5)) {
                case 0:
                    base.insert(at, text(alphabet, length));
                    break;
                case 1:
                    base.erase(at, span);
                    break;
                case 2:
                    base.replace(at, span, text(alphabet, length));
                    break;
                case 3: {  // move
                    const std::string piece = base.substr(at, span);
                    base.erase(at, span);
                    base.insert(below(base.size() + 1), piece);
                    break;
                }
                default: {  // repeat
                    const std::string piece = base.substr(at, span);
                    base.insert(below(base.size() + 1), piece);
                    break;
                }
            }
        }
        return base;
    }

    TextPair similar(Alphabet alphabet, std::size_t length, std::size_t edits,
                     std::size_t maxEditLength) {
        std::string old = text(alphabet, length);
        std::string now = edited(old, alphabet, edits, maxEditLength);
        return below(2) == 0 ? TextPair{now, old} : TextPair{old, now};
    }

    TextPair unrelated(Alphabet alphabet, std::size_t newLength, std::size_t oldLength) {
        return {text(alphabet, newLength), text(alphabet, oldLength)};
    }

    Alphabet anyAlphabet() { return kAllAlphabets[below(kAllAlphabets.size())]; }

  private:
    std::mt19937 rng_;
};

}  // namespace scrivane::testing
