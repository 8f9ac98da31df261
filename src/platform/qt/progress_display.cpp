#include "platform/qt/progress_display.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace scrivane {
namespace {

constexpr qint64 kShowAfterMs = 500;
// How often the window's events run between steps: often enough to paint, seldom enough to
// cost the work nothing.
constexpr qint64 kEventsEveryMs = 40;

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

ProgressDisplay::ProgressDisplay(QWidget* window) : window_(window) {}

ProgressDisplay::~ProgressDisplay() {
    end();
    delete bar_;
}

bool ProgressDisplay::step(const std::string& what, double done, bool cancellable) {
    if (!running_) {
        running_ = true;
        escaped_ = false;
        started_.start();
        lastEvents_.start();
        qApp->installEventFilter(this);
        if (onRunning) onRunning(true);
    }
    cancellable_ = cancellable;
    if (lastEvents_.elapsed() >= kEventsEveryMs) {
        lastEvents_.start();
        if (started_.elapsed() >= kShowAfterMs) show(what, done);
        QCoreApplication::processEvents();
    }
    return !(cancellable && escaped_);
}

void ProgressDisplay::show(const std::string& what, double done) {
    if (!window_) return;
    if (!bar_) {
        bar_ = new QProgressBar(window_);
        bar_->setRange(0, 1000);
    }
    const int width = std::min(420, window_->width() - 16);
    const int height = bar_->sizeHint().height();
    bar_->setGeometry(8, window_->height() - height - 8, width, height);
    bar_->setFormat(QString::fromStdString(what) + QStringLiteral(" %p%"));
    bar_->setValue(static_cast<int>(std::lround(std::clamp(done, 0.0, 1.0) * 1000)));
    bar_->show();
    bar_->raise();
}

void ProgressDisplay::end() {
    if (!running_) return;
    running_ = false;
    qApp->removeEventFilter(this);
    if (bar_) bar_->hide();
    if (onRunning) onRunning(false);
}

bool ProgressDisplay::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (!running_ || !isUserInput(event->type())) return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && cancellable_) {
        escaped_ = true;
    }
    if (event->type() == QEvent::Close) event->ignore();
    return true;
}

}  // namespace scrivane
