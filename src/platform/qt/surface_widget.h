#pragma once

#include <Qsci/qsciscintilla.h>

#include <string>
#include <vector>

class QMimeData;

namespace scrivane {

// What the editor widget hands on to the surface that owns it.
class SurfaceInput {
  public:
    virtual ~SurfaceInput() = default;
    // Bracket every toolkit event that may change the content, so that the owner reports
    // the change once the event is done with, never from inside the editor's own notification.
    virtual void beginInput() = 0;
    virtual void endInput() = 0;
    // True while the owner rewrites the content: the user's keys, clicks and input-method
    // text are dropped.
    virtual bool inputLocked() const = 0;
    // False: a handler cancelled the key and the editor must not see it.
    virtual bool keyPressed(const QKeyEvent& event) = 0;
    virtual bool keyReleased(const QKeyEvent& event) = 0;
    // Text an input method commits (a dead key's or a composed character) arrives as typing
    // does: begun by this call, ended by textCommitted. False: cancelled, not to be inserted.
    virtual bool committingText(const QString& text) = 0;
    virtual void textCommitted() = 0;
    virtual void mouseReleased(const QMouseEvent& event) = 0;
    // A middle click at `pos` pastes the primary selection.
    virtual void pasteSelectionAt(const QPoint& pos) = 0;
    virtual void filesDropped(const std::vector<std::string>& paths) = 0;
};

// The local files a drag carries, in its order (paths in the file system's encoding).
std::vector<std::string> localFilesOf(const QMimeData* data);

// The QScintilla widget of the editing surface: routes keys, mouse and drops through
// SurfaceInput. Text is never dragged out of it or dropped into it; only files are accepted.
class SurfaceWidget : public QsciScintilla {
  public:
    SurfaceWidget(SurfaceInput& input, QWidget* parent);

    // What input methods ask about the text around the caret, from the caret's line and a
    // few hundred bytes either side at most: the editor's own answer copies the whole
    // paragraph, which in a large file without blank lines is the whole document, on every
    // key and repaint.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QString textBetween(long from, long to) const;
    bool acceptFileDrag(QDropEvent& event) const;

    SurfaceInput& input_;
};

}  // namespace scrivane
