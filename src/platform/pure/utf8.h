#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scrivane {

// Appends the UTF-8 bytes of code point `cp`.
void appendUtf8(std::string& out, char32_t cp);

// True when `s` is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
// The empty string and pure ASCII are valid.
bool isValidUtf8(std::string_view s);

// isValidUtf8 over bytes given piece by piece, cut anywhere (inside a character too).
class Utf8Stream {
  public:
    void add(std::string_view bytes);
    // The answer for all the pieces: a character left unfinished at the end is not valid.
    bool valid() const { return valid_ && carry_.empty(); }

  private:
    bool valid_ = true;
    std::string carry_;  // the start of a character the next piece finishes
};

// In valid UTF-8: true when byte `i` starts a character (or i == s.size()).
inline bool isUtf8Boundary(std::string_view s, std::size_t i) {
    return i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
}

}  // namespace scrivane
