#include "platform/pure/process_identity.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

namespace scrivane {
namespace {

std::array<unsigned char, 16> currentBootId() {
    std::array<unsigned char, 16> id{};
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string text;
    if (!std::getline(in, text)) return id;
    std::size_t at = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) continue;
        if (at >= 32) return {};
        id[at / 2] = static_cast<unsigned char>(id[at / 2] | (digit << (at % 2 == 0 ? 4 : 0)));
        ++at;
    }
    return at == 32 ? id : std::array<unsigned char, 16>{};
}

bool unknown(const std::array<unsigned char, 16>& id) {
    for (unsigned char b : id) {
        if (b != 0) return false;
    }
    return true;
}

}  // namespace

std::uint64_t processStartTicks(std::int64_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return 0;
    // The command name in parentheses may hold blanks and parentheses itself: the fields
    // that follow start after the last ')'. The start time is the 20th of them.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int i = 0; i < 20; ++i) {
        if (!(fields >> field)) return 0;
    }
    try {
        return std::stoull(field);
    } catch (...) {
        return 0;
    }
}

ProcessIdentity currentProcess() {
    ProcessIdentity self;
    self.pid = ::getpid();
    self.startTicks = processStartTicks(self.pid);
    self.bootId = currentBootId();
    return self;
}

std::int64_t bootTime() {
    timespec now{};
    timespec up{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ::clock_gettime(CLOCK_BOOTTIME, &up);
    return now.tv_sec - up.tv_sec - (now.tv_nsec < up.tv_nsec ? 1 : 0);
}

bool isRunning(const ProcessIdentity& who) {
    // kill() with 0 or a negative id would ask about whole process groups.
    if (who.pid <= 0) return false;
    if (!unknown(who.bootId)) {
        const auto boot = currentBootId();
        if (!unknown(boot) && boot != who.bootId) return false;
    }
    if (::kill(static_cast<pid_t>(who.pid), 0) != 0 && errno == ESRCH) return false;
    if (who.startTicks != 0) {
        const std::uint64_t now = processStartTicks(who.pid);
        if (now != 0 && now != who.startTicks) return false;  // the id went to another process
    }
    return true;
}

}  // namespace scrivane
