#pragma once

#include <array>
#include <cstdint>

namespace scrivane {

// Names a running process well enough to tell, later, whether it still runs: a process id
// alone may have been handed to another process since, or belong to an earlier boot.
struct ProcessIdentity {
    std::int64_t pid = 0;
    std::uint64_t startTicks = 0;            // start time since boot in clock ticks; 0: unknown
    std::array<unsigned char, 16> bootId{};  // all zero: unknown
    bool operator==(const ProcessIdentity&) const = default;
};

// This process.
ProcessIdentity currentProcess();

// The start time of a process as the system reports it (0 when it cannot be read).
std::uint64_t processStartTicks(std::int64_t pid);

// When the system started, in seconds since 1970: nothing made before then still runs.
std::int64_t bootTime();

// True while the process that `who` names is running. Where the system cannot tell (no
// process table to read), a live process id counts as running, so that a record is never
// taken from under a process that may still be writing it.
bool isRunning(const ProcessIdentity& who);

}  // namespace scrivane
