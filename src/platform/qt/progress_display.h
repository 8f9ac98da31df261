#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class QProgressBar;
class QWidget;

namespace scrivane {

// The progress of long work, shown at the foot of a window once the work has taken half a
// second. Between steps the window's events run, so that it paints, while the user's input
// waits (it is dropped, as it would have waited behind the work); Escape asks to stop.
class ProgressDisplay : public QObject {
  public:
    explicit ProgressDisplay(QWidget* window);
    ~ProgressDisplay() override;
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    // False once Escape was pressed, when the work can stop.
    bool step(const std::string& what, double done, bool cancellable);
    void end();
    bool running() const { return running_; }
    // Told true when work starts telling its progress, false when it ends.
    std::function<void(bool running)> onRunning;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show(const std::string& what, double done);

    QPointer<QWidget> window_;
    QPointer<QProgressBar> bar_;
    QElapsedTimer started_;
    QElapsedTimer lastEvents_;
    bool running_ = false;
    bool cancellable_ = false;
    bool escaped_ = false;
};

}  // namespace scrivane
