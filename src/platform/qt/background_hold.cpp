#include "platform/qt/background_hold.h"

#include <Qsci/qsciscintillabase.h>

namespace scrivane {
namespace {

// The component's idle timer: the one timer its core object owns (made the first time the
// component had background work).
QTimer* idleTimer(QsciScintillaBase& editor) {
    auto* core =
        reinterpret_cast<QObject*>(editor.SendScintilla(QsciScintillaBase::SCI_GETDIRECTPOINTER));
    return core ? core->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

}  // namespace

void BackgroundHold::hold() {
    QTimer* timer = idleTimer(editor_);
    if (held_ || timer == nullptr || !timer->isActive()) return;
    timer->stop();
    held_ = timer;
}

void BackgroundHold::release() {
    // Had the component finished its background work meanwhile, its next idle call finds
    // nothing to do and stops the timer again.
    if (held_) held_->start(0);
    held_ = nullptr;
}

}  // namespace scrivane
