#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_buffer.h"

namespace scrivane {

// A text a live document once held, kept as the bytes that changed since rather than as a
// copy: told before each edit of the live text, it keeps the bytes the edit removes that were
// still the original's. Everywhere else the original is the live text itself.
class OriginalText {
  public:
    // Before `live` changes: `removed` bytes at `pos`, still readable, give way to `inserted`.
    void edited(const TextBuffer& live, Pos pos, Pos removed, Pos inserted);
    // The original in order: slices of `live` (the live text's parts as they lie now) and
    // bytes kept here. Valid until the next edit.
    std::vector<std::string_view> pieces(const TextParts& live) const;
    // The original's length, given the live text's.
    Pos size(Pos liveLength) const;
    std::size_t changeCount() const { return changes_.size(); }

  private:
    // Live bytes [at, at + length) stand where the original had `original`.
    struct Change {
        Pos at = 0;
        Pos length = 0;
        std::string original;
    };
    // In order, apart: changes that touch become one.
    std::vector<Change> changes_;
};

// The pieces one after another.
std::string joinedPieces(const std::vector<std::string_view>& pieces);

// Whether two texts given in pieces hold the same bytes. Pieces that are the same memory are
// not read: a text and its original share all that did not change.
bool samePieces(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b);

}  // namespace scrivane
