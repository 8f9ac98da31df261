#include "platform/qt/background_hold.h"

#include <Qsci/qsciscintillabase.h>

#include <QEvent>

namespace scrivane {

QTimer* componentIdleTimer(QsciScintillaBase& editor) {
    auto* core =
        reinterpret_cast<QObject*>(editor.SendScintilla(QsciScintillaBase::SCI_GETDIRECTPOINTER));
    return core ? core->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

BackgroundHold::BackgroundHold(QsciScintillaBase& editor) : editor_(editor) {
    editor_.installEventFilter(this);
    editor_.viewport()->installEventFilter(this);
    paintLate_.setSingleShot(true);
    paintLate_.setInterval(100);
    connect(&paintLate_, &QTimer::timeout, this, [this] {
        awaitingPaint_ = false;
        resumeUnlessHeld();
    });
}

void BackgroundHold::hold() {
    forWork_ = true;
    stop();
}

void BackgroundHold::release() {
    forWork_ = false;
    resumeUnlessHeld();
}

bool BackgroundHold::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == &editor_ && (type == QEvent::KeyPress || type == QEvent::InputMethod)) {
        awaitingPaint_ = true;
        paintLate_.start();
        stop();
    } else if (watched == editor_.viewport() && type == QEvent::Paint && awaitingPaint_) {
        // The timer fires once this paint is done.
        awaitingPaint_ = false;
        paintLate_.stop();
        resumeUnlessHeld();
    }
    return false;
}

void BackgroundHold::stop() {
    QTimer* timer = componentIdleTimer(editor_);
    if (held_ || timer == nullptr || !timer->isActive()) return;
    timer->stop();
    held_ = timer;
}

void BackgroundHold::resumeUnlessHeld() {
    if (forWork_ || awaitingPaint_) return;
    // Had the component finished its background work meanwhile, its next idle call finds
    // nothing to do and stops the timer again.
    if (held_) held_->start(0);
    held_ = nullptr;
}

}  // namespace scrivane
