#include "recovery/write_schedule.h"

#include <algorithm>

namespace scrivane {

void WriteSchedule::changed(Clock::time_point now) {
    if (!first_) first_ = now;
    last_ = now;
}

void WriteSchedule::taken() {
    first_.reset();
    last_.reset();
    notBefore_.reset();
}

void WriteSchedule::failed(Clock::time_point now) {
    if (!first_) first_ = now;
    if (!last_) last_ = now;
    notBefore_ = now + retry_;
}

void WriteSchedule::clear() {
    taken();
}

std::optional<WriteSchedule::Clock::time_point> WriteSchedule::due() const {
    if (!first_) return std::nullopt;
    Clock::time_point at = std::min(*last_ + quiet_, *first_ + longest_);
    if (notBefore_) at = std::max(at, *notBefore_);
    return at;
}

}  // namespace scrivane
