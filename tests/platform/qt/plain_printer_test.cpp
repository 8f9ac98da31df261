#include "platform/qt/plain_printer.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>

namespace scrivane {
namespace {

// A page of 300 dpi that records the text drawn on it, page by page, and counts anything else.
class RecordingPage : public QImage, private QPaintEngine {
  public:
    RecordingPage(int width, int height)
        : QImage(width, height, QImage::Format_ARGB32), QPaintEngine(AllFeatures) {
        setDotsPerMeterX(11811);
        setDotsPerMeterY(11811);
    }
    QPaintEngine* paintEngine() const override { return const_cast<RecordingPage*>(this); }

    std::vector<QString> pages{QString()};  // the text of each page, blanks left out
    int others = 0;
    bool outside = false;  // text drawn beyond the page's width or height

  private:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++others; }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++others; }
    void drawPath(const QPainterPath&) override { ++others; }
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        const QFontMetricsF fm(item.font(), this);
        const QString text = item.text();
        outside = outside || at.x() + fm.horizontalAdvance(text.trimmed()) > width() + 0.5 ||
                  at.y() - fm.ascent() < -0.5 || at.y() + fm.descent() > height() + 0.5;
        pages.back() += QString(text).remove(QRegularExpression("\\s"));
    }
    Type type() const override { return User; }
};

// What is drawn is the document's text and nothing else (no header, footer or page number),
// within the page: a page holds the whole lines that fit, long lines wrap, and a form feed
// turns the page without leaving an empty one behind.
TEST(PlainPrinter, DrawsTheTextAloneOnPagesOfWholeLines) {
    const QFont font = printFont(FontSpec{"DejaVu Sans Mono", 10, false, false});
    RecordingPage probe(1, 1);
    const QFontMetricsF fm(font, &probe);
    const int width = static_cast<int>(60 * fm.horizontalAdvance(u'x'));
    const int tenLines = static_cast<int>(10.5 * fm.lineSpacing());
    QString lines;  // 25 lines: ten, ten and five on the pages
    std::vector<QString> linePages(3);
    for (int i = 1; i <= 25; ++i) {
        lines += QStringLiteral("line %1\r\n").arg(i);
        linePages[static_cast<std::size_t>((i - 1) / 10)] += QStringLiteral("line%1").arg(i);
    }
    const QString longWord = QString("x").repeated(300);
    const struct {
        QString text;
        std::vector<QString> pages;
    } cases[] = {
        {"", {""}},
        {"one\r\ntwo\nthree\rfour", {"onetwothreefour"}},
        {lines, linePages},
        {"a\fb", {"a", "b"}},
        {"a\r\n\f\r\nb\f\r\n", {"a", "b"}},
        {QString("\r\n").repeated(10) + "last", {"", "last"}},
        {QString("word ").repeated(100), {QString("word").repeated(100)}},
        {longWord, {longWord}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(30).toStdString());
        RecordingPage page(width, tenLines);
        QPainter painter(&page);
        const int count = paintPlainText(painter, QSizeF(width, tenLines), c.text, font, [&page] {
            page.pages.emplace_back();
            return true;
        });
        EXPECT_EQ(page.pages, c.pages);
        EXPECT_EQ(count, static_cast<int>(c.pages.size()));
        EXPECT_EQ(page.others, 0);
        EXPECT_FALSE(page.outside);
    }
}

}  // namespace
}  // namespace scrivane
