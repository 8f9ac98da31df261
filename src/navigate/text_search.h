#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scrivane {

// How the bytes of a document are read as characters: UTF-8 sequences, or one Latin-1
// character per byte.
enum class Encoding { Utf8, Latin1 };

// A stretch of document bytes: [start, start + length).
struct ByteRange {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const ByteRange&) const = default;
};

// Text typed into a box (UTF-8) as bytes of a document in `encoding`: unchanged for UTF-8;
// for Latin-1 every character above U+00FF becomes '?'. Line ends become CR LF.
std::string toDocumentBytes(std::string_view utf8, Encoding encoding);

// A search text (typed, UTF-8) as the document bytes to look for, line ends as CR LF. A
// character the document's encoding cannot hold never occurs in the document: nullopt, so that
// nothing is found (rather than the '?' it would be stored as). With letter case ignored, such a
// character stands for a Latin-1 one that folds alike (U+0178 for byte FF, the Kelvin sign for
// 'k').
std::optional<std::string> searchBytes(std::string_view utf8, Encoding encoding, bool exact);

// One character for all case variants of a character (so 'É' and 'é', 'Ω' and 'ω', the Kelvin
// sign and 'k' fold alike): characters fold alike exactly when Unicode's simple case folding
// folds them alike.
char32_t foldCase(char32_t c);

// A search pattern prepared once for one document encoding and letter-case rule. Matches
// always begin and end on character borders of the document; with letter case ignored, a
// match may be longer or shorter in bytes than the pattern (the Kelvin sign is three bytes,
// 'k' one). The searched text is only read, never copied.
class TextSearch {
  public:
    // `pattern` holds bytes in the document's encoding. `exact`: letter case counts.
    TextSearch(std::string_view pattern, Encoding encoding, bool exact);

    bool empty() const { return pattern_.empty(); }

    // The match with the smallest start in [from, before) (`from` a character border).
    std::optional<ByteRange> forward(std::string_view text, std::size_t from,
                                     std::size_t before = std::string_view::npos) const;
    // The match with the largest start at or after `notBefore` among those that lie wholly
    // within the first `end` bytes of `text`.
    std::optional<ByteRange> backward(std::string_view text, std::size_t end,
                                      std::size_t notBefore = 0) const;
    // The most bytes a match can take.
    std::size_t longestMatch() const;

    // True when `range` of `text` is exactly one match.
    bool matches(std::string_view text, const ByteRange& range) const;

  private:
    // Length in bytes of a match at `at`, or 0 when there is none (the pattern is never empty
    // when this is called).
    std::size_t matchAt(std::string_view text, std::size_t at) const;
    // The first place in [at, end) whose byte may begin a folded match, or `end`.
    std::size_t nextStart(std::string_view text, std::size_t at, std::size_t end) const;
    // The place after the last one in [low, end) whose byte may begin a folded match, or `low`.
    std::size_t startBefore(std::string_view text, std::size_t low, std::size_t end) const;
    // Whether the kScanBlock bytes at `block` hold one that may begin a folded match.
    static constexpr std::size_t kScanBlock = 16;
    bool blockMayHoldStart(const char* block) const;

    std::string pattern_;
    Encoding encoding_;
    bool exact_;
    std::vector<char32_t> folded_;      // the pattern's characters, folded
    std::array<bool, 256> mayStart_{};  // bytes that can begin a folded match
    // The same for a scan kScanBlock bytes at a time, where few bytes may begin a match: up to
    // two bytes, and every byte that begins a multi-byte character when `startsHigh_`.
    bool blockScan_ = false;
    unsigned char startA_ = 0;
    unsigned char startB_ = 0;
    bool startsHigh_ = false;
};

// The next character border after `pos` in `text` (pos + 1 for Latin-1, and when `pos` is at or
// past the end).
std::size_t nextCharBorder(std::string_view text, std::size_t pos, Encoding encoding);

// Every occurrence of `pattern` in `text`, exact, from the start, not overlapping.
std::vector<ByteRange> findAllExact(std::string_view text, std::string_view pattern);

}  // namespace scrivane
