#pragma once

#include <algorithm>
#include <cassert>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// A sequence with a gap where the last edit was: edits near each other cost what they insert
// or remove, not what follows them. The storage holds [part 1][gap][part 2].
template <typename T>
class SplitVector {
  public:
    Pos size() const { return static_cast<Pos>(body_.size()) - gap_; }
    bool empty() const { return size() == 0; }

    T at(Pos i) const { return body_[index(i)]; }
    T& at(Pos i) { return body_[index(i)]; }

    void insert(Pos pos, Pos count, const T& value) {
        if (count <= 0) return;
        // `value` may be one of our own elements, which opening the gap can move.
        const T copy = value;
        openGap(pos, count);
        std::fill_n(body_.begin() + part1_, count, copy);
        part1_ += count;
        gap_ -= count;
    }
    void insert(Pos pos, const T* values, Pos count) {
        if (count <= 0) return;
        openGap(pos, count);
        std::copy_n(values, count, body_.begin() + part1_);
        part1_ += count;
        gap_ -= count;
    }
    void erase(Pos pos, Pos count) {
        if (count <= 0) return;
        moveGap(pos);
        gap_ += count;
    }
    void clear() {
        body_.clear();
        part1_ = gap_ = 0;
    }
    // [pos, pos + count) as one stretch of memory: the gap goes out of it first.
    const T* range(Pos pos, Pos count) {
        if (pos < part1_ && pos + count > part1_) moveGap(pos + count);
        return body_.data() + index(pos);
    }
    // The two stretches around the gap, as they lie.
    std::pair<const T*, Pos> first() const { return {body_.data(), part1_}; }
    std::pair<const T*, Pos> second() const {
        return {body_.data() + part1_ + gap_, static_cast<Pos>(body_.size()) - part1_ - gap_};
    }

  private:
    std::size_t index(Pos i) const {
        assert(i >= 0 && i < size());
        return static_cast<std::size_t>(i < part1_ ? i : i + gap_);
    }
    void moveGap(Pos pos) {
        if (pos < part1_) {
            std::move_backward(body_.begin() + pos, body_.begin() + part1_,
                               body_.begin() + part1_ + gap_);
        } else if (pos > part1_) {
            std::move(body_.begin() + part1_ + gap_, body_.begin() + pos + gap_,
                      body_.begin() + part1_);
        }
        part1_ = pos;
    }
    void openGap(Pos pos, Pos count) {
        if (gap_ < count) {
            // Room for this and as much again, so that a run of inserts grows it rarely.
            moveGap(size());
            const Pos grow = count + std::max<Pos>(size() / 8, 64);
            body_.resize(body_.size() + static_cast<std::size_t>(grow));
            gap_ += grow;
        }
        moveGap(pos);
    }

    std::vector<T> body_;
    Pos part1_ = 0;
    Pos gap_ = 0;
};

}  // namespace scrivane
