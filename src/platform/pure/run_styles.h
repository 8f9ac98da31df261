#pragma once

#include <algorithm>
#include <cassert>

#include "platform/pure/split_vector.h"

namespace scrivane {

// The starts of consecutive stretches of a text: stretch i covers [start(i), start(i + 1)).
// An edit shifts every later start; the shift is kept as a pending step over the starts after
// the edited stretch and carried along as later edits move, so that a run of edits near each
// other costs the stretches it passes, not all that follow.
class Partitioning {
  public:
    Partitioning() {
        starts_.insert(0, 2, 0);  // one empty stretch
    }

    Pos count() const { return starts_.size() - 1; }
    Pos length() const { return start(count()); }
    Pos start(Pos i) const { return starts_.at(i) + (i > stepAfter_ ? step_ : 0); }

    // The stretch that holds `pos`; the last one for the end of the text.
    Pos stretchOf(Pos pos) const {
        Pos lo = 0;
        Pos hi = count() - 1;
        while (lo < hi) {
            const Pos mid = (lo + hi + 1) / 2;
            if (start(mid) <= pos) {
                lo = mid;
            } else {
                hi = mid - 1;
            }
        }
        return lo;
    }

    // Every start after stretch `i` moves by `delta`.
    void shiftAfter(Pos i, Pos delta) {
        moveStepTo(i);
        step_ += delta;
    }
    // A new start at `pos` inside stretch `i`, which splits in two: index i + 1.
    void split(Pos i, Pos pos) {
        moveStepTo(i);
        starts_.insert(i + 1, 1, pos - step_);
    }
    // The start of stretch `i` (> 0) goes: stretch i joins stretch i - 1.
    void join(Pos i) {
        moveStepTo(i - 1);
        starts_.erase(i, 1);
    }

  private:
    // The starts after stretch `i` are those the pending step applies to.
    void moveStepTo(Pos i) {
        if (step_ == 0) {
            stepAfter_ = i;
            return;
        }
        for (; stepAfter_ < i; ++stepAfter_) starts_.at(stepAfter_ + 1) += step_;
        for (; stepAfter_ > i; --stepAfter_) starts_.at(stepAfter_) -= step_;
    }

    SplitVector<Pos> starts_;
    Pos stepAfter_ = 0;  // the step applies to starts of stretches after this one
    Pos step_ = 0;
};

// A value for every byte of a text, kept as runs of equal values: reading the value at a
// position costs a search over the runs, changing a range costs the runs it touches.
// Neighbouring runs always differ.
template <typename T>
class RunStyles {
  public:
    explicit RunStyles(T fill = T{}) : fill_(fill) { values_.insert(0, 1, fill); }

    Pos length() const { return starts_.length(); }
    Pos runCount() const { return starts_.count(); }
    // The value of the byte at `pos` (< length()).
    T valueAt(Pos pos) const { return values_.at(starts_.stretchOf(pos)); }
    // The end of the run that holds `pos`.
    Pos runEnd(Pos pos) const { return starts_.start(starts_.stretchOf(pos) + 1); }
    Pos runStart(Pos pos) const { return starts_.start(starts_.stretchOf(pos)); }

    // Calls each(start, end, value) for every run over [from, to), cut to that range.
    template <typename F>
    void forRuns(Pos from, Pos to, F each) const {
        if (from >= to) return;
        for (Pos i = starts_.stretchOf(from); i < runCount(); ++i) {
            const Pos start = std::max(from, starts_.start(i));
            const Pos end = std::min(to, starts_.start(i + 1));
            if (start >= to) break;
            if (start < end) each(start, end, values_.at(i));
        }
    }

    // `length` new bytes at `pos`, all of `value`.
    void insert(Pos pos, Pos length, T value) {
        if (length <= 0) return;
        // The new bytes first join the run that holds `pos` (the last run at the end).
        starts_.shiftAfter(starts_.stretchOf(pos), length);
        fill(pos, length, value);
    }

    void erase(Pos pos, Pos length) {
        if (length <= 0) return;
        const Pos first = cut(pos);
        const Pos last = cut(pos + length);
        for (Pos i = last - 1; i > first; --i) removeStart(i);
        starts_.shiftAfter(first, -length);  // run `first` is empty now, and goes
        if (first > 0) {
            removeStart(first);
            mergeAround(first - 1);
        } else if (runCount() > 1) {
            values_.at(0) = values_.at(1);
            removeStart(1);
        } else {
            values_.at(0) = fill_;
        }
    }

    // The bytes of [pos, pos + length) take `value`.
    void fill(Pos pos, Pos length, T value) {
        if (length <= 0) return;
        const Pos first = cut(pos);
        const Pos last = cut(pos + length);
        for (Pos i = last - 1; i > first; --i) removeStart(i);
        values_.at(first) = value;
        mergeAround(first);
    }

    void clear() {
        starts_ = Partitioning{};
        values_.clear();
        values_.insert(0, 1, fill_);
    }

  private:
    // Makes `pos` the start of a run and returns that run's index (runCount() at the end).
    Pos cut(Pos pos) {
        if (pos >= length()) return runCount();
        const Pos i = starts_.stretchOf(pos);
        if (starts_.start(i) == pos) return i;
        starts_.split(i, pos);
        values_.insert(i + 1, 1, values_.at(i));
        return i + 1;
    }
    // Run `i` (> 0) joins run i - 1, taking its value.
    void removeStart(Pos i) {
        starts_.join(i);
        values_.erase(i, 1);
    }
    // Joins run `i` with its neighbours where they hold the same value.
    void mergeAround(Pos i) {
        if (i + 1 < runCount() && values_.at(i + 1) == values_.at(i)) removeStart(i + 1);
        if (i > 0 && values_.at(i - 1) == values_.at(i)) removeStart(i);
    }

    Partitioning starts_;
    SplitVector<T> values_;
    T fill_;
};

}  // namespace scrivane
