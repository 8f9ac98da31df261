#pragma once

#include <QPointer>
#include <QTimer>

class QsciScintillaBase;

namespace scrivane {

// The editing component wraps and styles lines in the background, from an idle timer of its
// own that fires whenever the event loop has run. Long work that lets events run so that the
// window paints (a save, a comparison) holds that timer back, so that the processor goes to
// the work the user waits for; released, the background work goes on where it stopped.
class BackgroundHold {
  public:
    explicit BackgroundHold(QsciScintillaBase& editor) : editor_(editor) {}
    BackgroundHold(const BackgroundHold&) = delete;
    BackgroundHold& operator=(const BackgroundHold&) = delete;

    void hold();
    void release();

  private:
    QsciScintillaBase& editor_;
    QPointer<QTimer> held_;  // the timer stopped by hold(), until release()
};

}  // namespace scrivane
