#include "platform/qt/surface_widget.h"
#include "platform/qt/surface_accessible.h"

#include <QAccessible>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>

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
    : QsciScintilla(parent), input_(input) {
    // The editor's own accessible counts every character from the start of the document to the
    // caret at each repaint, a fifth of a second in the middle of 100 MB: the surface offers
    // one that reads only the range it is asked about. Installed after the editor's own
    // factory, which the editor's constructor installs: the factory installed last is asked first.
    static const bool installed = [] {
        QAccessible::installFactory(surfaceAccessibleFactory);
        return true;
    }();
    (void)installed;
}

void SurfaceWidget::keyPressEvent(QKeyEvent* event) {
    if (input_.inputLocked()) {
        event->accept();
        return;
    }
    InputScope scope(input_);
    if (!input_.keyPressed(*event)) {
        event->accept();
        return;
    }
    QsciScintilla::keyPressEvent(event);
}

void SurfaceWidget::keyReleaseEvent(QKeyEvent* event) {
    if (input_.inputLocked()) {
        event->accept();
        return;
    }
    InputScope scope(input_);
    if (!input_.keyReleased(*event)) {
        event->accept();
        return;
    }
    QsciScintilla::keyReleaseEvent(event);
}

void SurfaceWidget::inputMethodEvent(QInputMethodEvent* event) {
    if (input_.inputLocked()) {
        event->accept();
        return;
    }
    InputScope scope(input_);
    const QString committed = event->commitString();
    if (committed.isEmpty()) {
        QsciScintilla::inputMethodEvent(event);  // composing: nothing enters the text yet
        return;
    }
    if (!input_.committingText(committed)) {
        event->accept();
        return;
    }
    QsciScintilla::inputMethodEvent(event);
    input_.textCommitted();
}

QString SurfaceWidget::textBetween(long from, long to) const {
    if (to <= from) return {};
    const auto* bytes = reinterpret_cast<const char*>(SendScintilla(
        SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(to - from)));
    const auto length = static_cast<qsizetype>(to - from);
    return SendScintilla(SCI_GETCODEPAGE) == SC_CP_UTF8 ? QString::fromUtf8(bytes, length)
                                                        : QString::fromLatin1(bytes, length);
}

QVariant SurfaceWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    constexpr long kContext = 256;
    switch (query) {
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition:
        case Qt::ImSurroundingText:
        case Qt::ImTextBeforeCursor:
        case Qt::ImTextAfterCursor:
        case Qt::ImCurrentSelection:
            break;
        default:
            return QsciScintilla::inputMethodQuery(query);
    }
    const long pos = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineEnd = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    // Whole characters only: the start of the character holding `from`, the end of the one
    // holding `to` - 1.
    long from = std::max(lineStart, pos - kContext);
    if (from > lineStart)
        from = SendScintilla(SCI_POSITIONBEFORE, static_cast<unsigned long>(from + 1));
    long to = std::min(lineEnd, pos + kContext);
    if (to < lineEnd) to = SendScintilla(SCI_POSITIONAFTER, static_cast<unsigned long>(to - 1));
    const long anchor = std::clamp(SendScintilla(SCI_GETANCHOR), from, to);
    switch (query) {
        case Qt::ImCursorPosition:
            return static_cast<int>(textBetween(from, pos).size());
        case Qt::ImAnchorPosition:
            return static_cast<int>(textBetween(from, anchor).size());
        case Qt::ImSurroundingText:
            return textBetween(from, to);
        case Qt::ImTextBeforeCursor:
            return textBetween(from, pos);
        case Qt::ImTextAfterCursor:
            return textBetween(pos, to);
        default:  // the selection, as far as it lies in the same stretch
            return textBetween(std::min(pos, anchor), std::max(pos, anchor));
    }
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event) {
    if (input_.inputLocked()) {
        event->accept();
        return;
    }
    InputScope scope(input_);
    if (event->button() == Qt::MiddleButton) {
        // The editor would paste the primary selection itself, unmarked and with no undo.
        input_.pasteSelectionAt(event->position().toPoint());
        event->accept();
        return;
    }
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
