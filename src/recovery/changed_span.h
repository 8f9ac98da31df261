#pragma once

#include <cstdint>

#include "platform/rich_text_box.h"

namespace scrivane {

// Which part of a text has changed since a moment, its "base": the text now is the base's
// first `head` bytes, then new bytes, then the base's last `tail` bytes. Kept at a constant
// cost per edit, whatever the size of the text, so that a snapshot of a large document need
// only copy what changed since the last one.
class ChangedSpan final : public TextEditWatcher {
  public:
    struct Span {
        Pos head = 0;        // bytes at the start that equal the base's first bytes
        Pos tail = 0;        // bytes at the end that equal the base's last bytes
        Pos baseLength = 0;  // length of the base
        Pos length = 0;      // length of the text now
        Pos middleLength() const { return length - head - tail; }
    };

    // The text, `length` bytes long, becomes the base.
    void restart(Pos length);
    void TextEdited(Pos pos, Pos removed, Pos inserted) override;

    // head + tail never exceed either length.
    Span span() const;
    Pos length() const { return length_; }
    // Counts the edits seen, so that a reader can tell whether the text moved under it.
    std::uint64_t edits() const { return edits_; }

  private:
    Pos baseLength_ = 0;
    Pos length_ = 0;
    Pos head_ = 0;
    Pos tail_ = 0;
    std::uint64_t edits_ = 0;
};

}  // namespace scrivane
