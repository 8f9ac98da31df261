#include "platform/qt/surface_widget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace scrivane {
namespace {

class InputScope {
  public:
    explicit InputScope(SurfaceInput& input) : input_(input) { input_.beginInput(); }
    ~InputScope() { input_.endInput(); }
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;

  private:
    SurfaceInput& input_;
};

}  // namespace

std::vector<std::string> localFilesOf(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty()) paths.push_back(QFile::encodeName(path).toStdString());
    }
    return paths;
}

SurfaceWidget::SurfaceWidget(SurfaceInput& input, QWidget* parent)
    : QsciScintilla(parent), input_(input) {}

void SurfaceWidget::keyPressEvent(QKeyEvent* event) {
    InputScope scope(input_);
    if (!input_.keyPressed(*event)) {
        event->accept();
        return;
    }
    QsciScintilla::keyPressEvent(event);
}

void SurfaceWidget::keyReleaseEvent(QKeyEvent* event) {
    InputScope scope(input_);
    if (!input_.keyReleased(*event)) {
        event->accept();
        return;
    }
    QsciScintilla::keyReleaseEvent(event);
}

void SurfaceWidget::inputMethodEvent(QInputMethodEvent* event) {
    InputScope scope(input_);
    QsciScintilla::inputMethodEvent(event);
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event) {
    InputScope scope(input_);
    // A press inside the selection would start dragging the text out (and a move-drop
    // elsewhere would delete it behind the handlers' back): start a new selection instead.
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        const long pos = SendScintilla(SCI_POSITIONFROMPOINT, static_cast<unsigned long>(at.x()),
                                       static_cast<long>(at.y()));
        const long start = SendScintilla(SCI_GETSELECTIONSTART);
        const long end = SendScintilla(SCI_GETSELECTIONEND);
        if (start < end && pos >= start && pos <= end) {
            SendScintilla(SCI_SETEMPTYSELECTION, static_cast<unsigned long>(pos));
        }
    }
    QsciScintilla::mousePressEvent(event);
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
    InputScope scope(input_);
    QsciScintilla::mouseMoveEvent(event);
}

void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    InputScope scope(input_);
    QsciScintilla::mouseDoubleClickEvent(event);
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
    InputScope scope(input_);
    QsciScintilla::mouseReleaseEvent(event);
    input_.mouseReleased(*event);
}

bool SurfaceWidget::acceptFileDrag(QDropEvent& event) const {
    if (!(event.possibleActions() & Qt::CopyAction) || localFilesOf(event.mimeData()).empty()) {
        event.ignore();
        return false;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return true;
}

void SurfaceWidget::dragEnterEvent(QDragEnterEvent* event) {
    acceptFileDrag(*event);
}

void SurfaceWidget::dragMoveEvent(QDragMoveEvent* event) {
    acceptFileDrag(*event);
}

void SurfaceWidget::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
}

void SurfaceWidget::dropEvent(QDropEvent* event) {
    if (!acceptFileDrag(*event)) return;
    input_.filesDropped(localFilesOf(event->mimeData()));
}

}  // namespace scrivane
