#include "recovery/session_end.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace scrivane {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};

// A signal handler can reach nothing but what is global: the socket it writes to, and the
// handlers it replaced. One watcher is installed at a time.
int gWriteFd = -1;
struct sigaction gPrevious[std::size(kSignals)];

extern "C" void onSessionSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    if (gWriteFd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(gWriteFd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

SessionEndWatcher::SessionEndWatcher(Action ending, Action finish, QObject* parent)
    : QObject(parent), ending_(std::move(ending)), finish_(std::move(finish)) {
    int fds[2];
    if (gWriteFd >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        return;  // without a socket the signals keep their usual action
    }
    readFd_ = fds[0];
    gWriteFd = fds[1];
    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { arrived(); });
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = onSessionSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kSignals[i], &action, &gPrevious[i]);
    }
}

SessionEndWatcher::~SessionEndWatcher() {
    if (readFd_ < 0) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    ::close(gWriteFd);
    gWriteFd = -1;
    delete notifier_;
    ::close(readFd_);
}

void SessionEndWatcher::endBySignal(int signal) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void SessionEndWatcher::arrived() {
    char byte = 0;
    if (::read(readFd_, &byte, 1) != 1) return;
    // Whatever else is queued is the same request again.
    char rest[64];
    while (::read(readFd_, rest, sizeof rest) > 0) {
    }
    if (ending_) ending_(byte);
    if (finish_) finish_(byte);
}

}  // namespace scrivane
