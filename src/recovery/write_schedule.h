#pragma once

#include <chrono>
#include <optional>

namespace scrivane {

// When the next recovery write is due: `quiet` after changes stop, and never later than
// `longest` after the first change not yet written, however long the changes go on. After a
// failed write the next try waits at least `retry`.
class WriteSchedule {
  public:
    using Clock = std::chrono::steady_clock;

    WriteSchedule(Clock::duration quiet, Clock::duration longest, Clock::duration retry)
        : quiet_(quiet), longest_(longest), retry_(retry) {}

    void changed(Clock::time_point now);
    // A snapshot holds every change made so far.
    void taken();
    // Writing the snapshot failed: its changes are pending again.
    void failed(Clock::time_point now);
    // Nothing is pending any more (the document was saved or dropped).
    void clear();

    bool pending() const { return first_.has_value(); }
    std::optional<Clock::time_point> due() const;

  private:
    Clock::duration quiet_;
    Clock::duration longest_;
    Clock::duration retry_;
    std::optional<Clock::time_point> first_;
    std::optional<Clock::time_point> last_;
    std::optional<Clock::time_point> notBefore_;
};

}  // namespace scrivane
