#include "platform/qt/plain_printer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <algorithm>

namespace scrivane {
namespace {

constexpr int kTabColumns = 8;  // as the editing surface shows tabs

// Puts lines on pages from the top down; a page is begun only when something is drawn on it,
// so that a trailing form feed or line break leaves no empty page behind.
class PageWriter {
  public:
    PageWriter(QPainter& painter, const QSizeF& page, const QFont& font,
               const std::function<bool()>& newPage)
        : painter_(painter), page_(page), font_(font), newPage_(newPage) {
        const QFontMetricsF metrics(font, painter.device());
        lineStep_ = std::max<qreal>(metrics.lineSpacing(), 1.0);
        option_.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option_.setTabStopDistance(kTabColumns * metrics.horizontalAdvance(QLatin1Char(' ')));
    }

    // One line of the document (or the part of one before a form feed), wrapped to the page.
    void line(const QString& text) {
        QTextLayout layout(text, font_, painter_.device());
        layout.setTextOption(option_);
        layout.beginLayout();
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(page_.width());
            l.setPosition(QPointF(0, l.lineNumber() * lineStep_));
        }
        layout.endLayout();
        // An empty line still takes its place.
        const int rows = std::max(layout.lineCount(), 1);
        for (int i = 0; i < rows && !stopped_; ++i) {
            if (!makeRoom()) return;
            if (i < layout.lineCount()) {
                const QTextLine l = layout.lineAt(i);
                l.draw(&painter_, QPointF(0, y_ - l.y()));
            }
            y_ += lineStep_;
        }
    }

    void pageBreak() { breakPending_ = true; }
    int pages() const { return pages_; }

  private:
    // Moves to a new page when the next row does not fit on this one (a page always takes
    // at least one row, however tall) or a form feed asked for one.
    bool makeRoom() {
        const bool full = y_ > 0 && y_ + lineStep_ > page_.height();
        if (breakPending_ || full) {
            breakPending_ = false;
            if (!newPage_()) {
                stopped_ = true;
                return false;
            }
            ++pages_;
            y_ = 0;
        }
        return true;
    }

    QPainter& painter_;
    QSizeF page_;
    QFont font_;
    const std::function<bool()>& newPage_;
    QTextOption option_;
    qreal lineStep_ = 1.0;
    qreal y_ = 0;
    int pages_ = 1;
    bool breakPending_ = false;
    bool stopped_ = false;
};

}  // namespace

QFont printFont(const FontSpec& spec) {
    QFont font(QString::fromUtf8(spec.name.data(), static_cast<qsizetype>(spec.name.size())));
    // The surface shows sizes below one point at one point, and none above a thousand.
    font.setPointSizeF(spec.size >= 1.0 ? std::min(spec.size, 1000.0) : 1.0);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    return font;
}

int paintPlainText(QPainter& painter, const QSizeF& page, const QString& text, const QFont& font,
                   const std::function<bool()>& newPage) {
    PageWriter writer(painter, page, font, newPage);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n' && c != u'\f') continue;
        // A form feed at the start of a line, or alone on one, only turns the page.
        const bool afterFormFeed = i == start && start > 0 && text[start - 1] == u'\f';
        if (i > start || (c != u'\f' && !afterFormFeed)) writer.line(text.mid(start, i - start));
        if (c == u'\f') writer.pageBreak();
        // CR LF is one line break.
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) writer.line(text.mid(start));
    return writer.pages();
}

bool printPlainText(QPrinter& printer, const QString& text, const QFont& font) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    paintPlainText(painter, QSizeF(printer.width(), printer.height()), text, font,
                   [&printer] { return printer.newPage(); });
    const bool ended = painter.end();
    return ended && printer.printerState() != QPrinter::Error &&
           printer.printerState() != QPrinter::Aborted;
}

}  // namespace scrivane
