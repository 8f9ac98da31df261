#pragma once

#include <QApplication>
#include <functional>

namespace scrivane {

// The application, with one catch for running out of memory around every event it delivers:
// each command starts from an event, and an exception must not cross the toolkit's code,
// which would end the program. The command stops where it ran out; `outOfMemory` tells the
// user, and the window goes on.
class GuardedApplication : public QApplication {
  public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;

    std::function<void()> outOfMemory;

  private:
    bool reporting_ = false;
};

}  // namespace scrivane
