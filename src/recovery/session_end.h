#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace scrivane {

// Turns SIGTERM and SIGHUP (the session or the system is ending) into a call on the window's
// thread. The handler itself only writes the signal's number to a socket that the event
// loop watches; nothing else is safe inside a signal handler.
class SessionEndWatcher final : public QObject {
    Q_OBJECT
  public:
    using Action = std::function<void(int)>;

    // On a signal, `ending` runs with its number, then `finish`: by default the signal's own
    // action, which ends the process as the sender expects.
    explicit SessionEndWatcher(Action ending, Action finish = endBySignal,
                               QObject* parent = nullptr);
    // Puts the handlers back as they were.
    ~SessionEndWatcher() override;

    static void endBySignal(int signal);

  private:
    void arrived();

    Action ending_;
    Action finish_;
    int readFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace scrivane
