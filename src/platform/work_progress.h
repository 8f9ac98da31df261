#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/services.h"

namespace scrivane {

// One piece of long work telling its progress through the services, and ending it however the
// work ends (returns, stops or throws).
class WorkProgress {
  public:
    enum class Escape : bool { Ignored, Stops };

    WorkProgress(Services& services, std::string what, Escape escape)
        : services_(services), what_(std::move(what)), escape_(escape) {}
    ~WorkProgress() { services_.EndProgress(); }
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // `done` from 0 to 1. False once the user asked the work to stop, where Escape stops it.
    bool tell(double done) {
        return services_.Progress(what_, std::clamp(done, 0.0, 1.0), escape_ == Escape::Stops);
    }

    // The share `done` of `total` is, for work counted in bytes or steps.
    static double share(std::uint64_t done, std::uint64_t total) {
        return total == 0 ? 1.0
                          : static_cast<double>(std::min(done, total)) / static_cast<double>(total);
    }

  private:
    Services& services_;
    std::string what_;
    Escape escape_;
};

}  // namespace scrivane
