// Where the view goes when a command selects text far from the caret: the selection's first
// line shows with lines around it, as a reader of the target wants it.
#include <Qsci/qsciscintillabase.h>

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <optional>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

class ViewPlacer {
  public:
    explicit ViewPlacer(QsciScintillaBase* editor)
        : editor_(editor), wrapping_(sci(Sci::SCI_GETWRAPMODE) != Sci::SC_WRAP_NONE) {}

    long firstRow() const { return sci(Sci::SCI_GETFIRSTVISIBLELINE); }
    bool wrapping() const { return wrapping_; }

    // Shows the line of `pos` with lines around it. With `viewBefore` (the first row shown
    // before the command), a target well inside that view leaves it there.
    void show(Pos pos, std::optional<long> viewBefore) const {
        const long line = lineOf(pos);
        const long sub = rowsBefore(line, pos);
        const long row = sci(Sci::SCI_VISIBLEFROMDOCLINE, ul(line)) + sub;
        const long rows = sci(Sci::SCI_LINESONSCREEN);
        const long context = rows / 5;  // rows kept to either edge to count as well inside
        if (viewBefore && row >= *viewBefore + context && row < *viewBefore + rows - context) {
            sci(Sci::SCI_SETFIRSTVISIBLELINE, ul(*viewBefore));
            return;
        }
        const long want = rows / 3;
        if (sub > want) {
            // Deep inside a line of many rows. Until the editor has wrapped that line it cannot
            // find the row; the view then stays where selecting put it, with the caret in view.
            if (sci(Sci::SCI_WRAPCOUNT, ul(line)) > sub) {
                sci(Sci::SCI_SETFIRSTVISIBLELINE, ul(row - want));
            }
            return;
        }
        // About a third of the view above the target: whole lines counted back from it, as
        // many as fit. The view is anchored to the first of them, so the wrapping of lines
        // above it, done later, does not move the target.
        long topLine = line;
        long above = sub;
        while (topLine > 0) {
            const long taken =
                rowsBefore(topLine - 1, sci(Sci::SCI_GETLINEENDPOSITION, ul(topLine - 1))) + 1;
            if (above + taken > want) break;
            above += taken;
            --topLine;
        }
        sci(Sci::SCI_SETFIRSTVISIBLELINE, ul(sci(Sci::SCI_VISIBLEFROMDOCLINE, ul(topLine))));
    }

  private:
    static unsigned long ul(long value) { return static_cast<unsigned long>(value); }
    long sci(unsigned int msg, unsigned long w = 0, long l = 0) const {
        return editor_->SendScintilla(msg, w, l);
    }
    long lineOf(Pos pos) const { return sci(Sci::SCI_LINEFROMPOSITION, ul(pos)); }

    // Rows above `pos` within its line, as laid out now: the editor wraps lines out of view
    // only later, and counts them one row until then.
    long rowsBefore(long line, Pos pos) const {
        if (!wrapping_) return 0;
        const long height = std::max(1L, sci(Sci::SCI_TEXTHEIGHT, ul(line)));
        const long start = sci(Sci::SCI_POSITIONFROMLINE, ul(line));
        return (sci(Sci::SCI_POINTYFROMPOSITION, 0, static_cast<long>(pos)) -
                sci(Sci::SCI_POINTYFROMPOSITION, 0, start)) /
               height;
    }

    QsciScintillaBase* editor_;
    bool wrapping_;
};

// Calls `then` once, just after `widget` has next been painted.
class AfterNextPaint : public QObject {
  public:
    AfterNextPaint(QWidget* widget, std::function<void()> then)
        : QObject(widget), then_(std::move(then)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, then_);
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> then_;
};

}  // namespace

void ScintillaSurface::SelectInContext(Pos start, Pos length) {
    QsciScintillaBase* editor = editor_;
    const ViewPlacer view(editor);
    const long top = view.firstRow();
    // Selecting scrolls the caret just into view (on the edge); the view is chosen here from
    // where it stood before.
    SetSelStart(start);
    SetSelLength(length);
    const Pos from = SelStart();
    view.show(from, top);
    // The editor learns the width it wraps to when it is first painted. A window not yet on
    // screen (the line asked for on the command line) has the target placed again then.
    const QWindow* window = editor->window()->windowHandle();
    if (view.wrapping() && (window == nullptr || !window->isExposed())) {
        new AfterNextPaint(
            editor->viewport(), [editor = QPointer<QsciScintillaBase>(editor), from] {
                if (editor && editor->SendScintilla(Sci::SCI_GETSELECTIONSTART) == from) {
                    ViewPlacer(editor).show(from, std::nullopt);
                }
            });
    }
}

}  // namespace scrivane
