#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QsciScintillaBase;

namespace scrivane {

// The component's idle timer: the one timer its core object owns (made the first time the
// component had background work); null before that.
QTimer* componentIdleTimer(QsciScintillaBase& editor);

// The editing component wraps and styles lines in the background, from an idle timer of its
// own that fires whenever the event loop has run. Two things hold that timer back:
// - long work that lets events run so that the window paints (a save, a comparison), so that
//   the processor goes to the work the user waits for;
// - a key, until the surface has painted what it changed: the window repaints a few
//   milliseconds after the key, and a slice of wrapping (10-15 ms on a large document) that
//   came between would make the key feel slow.
// Released, the background work goes on where it stopped.
class BackgroundHold : public QObject {
  public:
    explicit BackgroundHold(QsciScintillaBase& editor);
    BackgroundHold(const BackgroundHold&) = delete;
    BackgroundHold& operator=(const BackgroundHold&) = delete;

    void hold();
    void release();
    // From a key until the surface has painted since.
    bool awaitingPaint() const { return awaitingPaint_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void stop();
    void resumeUnlessHeld();

    QsciScintillaBase& editor_;
    QPointer<QTimer> held_;  // the timer stopped, until nothing holds it any more
    bool forWork_ = false;
    bool awaitingPaint_ = false;
    QTimer paintLate_;  // a key that changes nothing on screen lets the work go on after this
};

}  // namespace scrivane
