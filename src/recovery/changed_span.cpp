#include "recovery/changed_span.h"

#include <algorithm>

namespace scrivane {

void ChangedSpan::restart(Pos length) {
    baseLength_ = length_ = head_ = tail_ = std::max<Pos>(length, 0);
}

void ChangedSpan::TextEdited(Pos pos, Pos removed, Pos inserted) {
    ++edits_;
    if (pos < 0 || removed < 0 || inserted < 0 || pos > length_ || removed > length_ - pos) {
        // An edit that does not fit the text as counted: nothing is known to be unchanged.
        head_ = tail_ = 0;
        length_ = std::max<Pos>(0, length_ - removed + inserted);
        return;
    }
    head_ = std::min(head_, pos);
    // What follows the edit keeps its distance from the end.
    tail_ = std::min(tail_, length_ - pos - removed);
    length_ += inserted - removed;
}

ChangedSpan::Span ChangedSpan::span() const {
    Span s;
    s.baseLength = baseLength_;
    s.length = length_;
    s.head = std::min({head_, length_, baseLength_});
    s.tail = std::min({tail_, length_ - s.head, baseLength_ - s.head});
    return s;
}

}  // namespace scrivane
