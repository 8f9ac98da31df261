#include "platform/qt/plain_printer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextItem>
#include <climits>
#include <set>

namespace scrivane {
namespace {

// A page-sized paint device that records each piece of text drawn on it, with its page and
// place; anything else drawn is counted.
class RecordingDevice : public QPaintDevice {
  public:
    struct Text {
        int page;
        QPointF at;
        QString text;
    };

    RecordingDevice(int width, int height) : width_(width), height_(height) {}

    QPaintEngine* paintEngine() const override { return &engine_; }

    std::vector<Text> texts() const { return engine_.texts; }
    int otherDrawings() const { return engine_.other; }
    void turnPage() { ++engine_.page; }

  protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth:
                return width_;
            case PdmHeight:
                return height_;
            case PdmWidthMM:
                return width_ * 254 / (10 * kDpi);
            case PdmHeightMM:
                return height_ * 254 / (10 * kDpi);
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return kDpi;
            case PdmDepth:
                return 32;
            case PdmNumColors:
                return INT_MAX;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

  private:
    static constexpr int kDpi = 300;

    class Engine : public QPaintEngine {
      public:
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++other; }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++other; }
        void drawPath(const QPainterPath&) override { ++other; }
        void drawTextItem(const QPointF& p, const QTextItem& item) override {
            texts.push_back({page, p, item.text()});
        }
        Type type() const override { return User; }

        std::vector<Text> texts;
        int page = 0;
        int other = 0;
    };

    int width_, height_;
    mutable Engine engine_;
};

QString withoutBlanks(QString s) {
    return s.remove(QRegularExpression(QStringLiteral("\\s")));
}

struct Printed {
    int pages = 0;
    std::vector<QString> pageTexts;  // per page, blanks and line breaks left out
    std::vector<RecordingDevice::Text> texts;
    int otherDrawings = 0;
};

Printed print(const QString& text, const QFont& font, int width, int height) {
    RecordingDevice device(width, height);
    Printed out;
    {
        QPainter painter(&device);
        out.pages = paintPlainText(painter, QSizeF(width, height), text, font, [&device] {
            device.turnPage();
            return true;
        });
    }
    out.texts = device.texts();
    out.otherDrawings = device.otherDrawings();
    out.pageTexts.resize(static_cast<std::size_t>(out.pages));
    for (const auto& t : out.texts) {
        if (t.page < out.pages)
            out.pageTexts[static_cast<std::size_t>(t.page)] += withoutBlanks(t.text);
    }
    return out;
}

QString numberedLines(int count) {
    QString text;
    for (int i = 1; i <= count; ++i) text += QStringLiteral("line %1\r\n").arg(i);
    return text;
}

// What is drawn is the document's text and nothing else (no header, footer or page number),
// a page holds as many whole lines as fit, a form feed turns the page, and every line stays
// within the page's width.
TEST(PlainPrinter, DrawsTheTextAloneOnPagesOfWholeLines) {
    const QFont font = printFont(FontSpec{"DejaVu Sans Mono", 10, false, false});
    RecordingDevice probe(1, 1);
    const qreal lineStep = QFontMetricsF(font, &probe).lineSpacing();
    const int width = static_cast<int>(60 * QFontMetricsF(font, &probe).horizontalAdvance(u'x'));
    const int tenLines = static_cast<int>(10.5 * lineStep);
    const QString words = QStringLiteral("word ").repeated(100);
    const QString longWord = QStringLiteral("x").repeated(300);

    const struct {
        QString text;
        std::vector<QString> pages;
    } cases[] = {
        {"", {""}},
        {"one\r\ntwo\nthree\rfour", {"onetwothreefour"}},
        {numberedLines(25),
         {withoutBlanks(numberedLines(25).section("\r\n", 0, 9)),
          withoutBlanks(numberedLines(25).section("\r\n", 10, 19)),
          withoutBlanks(numberedLines(25).section("\r\n", 20))}},
        {"a\fb", {"a", "b"}},
        {"a\r\n\f\r\nb\f\r\n", {"a", "b"}},
        {"\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nlast", {"", "last"}},
        {words, {withoutBlanks(words)}},
        {longWord, {longWord}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(40).toStdString());
        const Printed out = print(c.text, font, width, tenLines);
        EXPECT_EQ(out.pageTexts, c.pages);
        EXPECT_EQ(out.otherDrawings, 0);
        const QFontMetricsF fm(font, &probe);
        for (const auto& t : out.texts) {
            EXPECT_GE(t.at.x(), 0);
            EXPECT_LE(t.at.x() + fm.horizontalAdvance(t.text.trimmed()), width + 0.5)
                << t.text.toStdString();
            EXPECT_GE(t.at.y() - fm.ascent(), -0.5);
            EXPECT_LE(t.at.y() + fm.descent(), tenLines + 0.5) << t.text.toStdString();
        }
    }
    // A long line is wrapped, not cut: its words come on several rows.
    const Printed wrapped = print(words, font, width, 100 * tenLines);
    std::set<qreal> rows;
    for (const auto& t : wrapped.texts) rows.insert(t.at.y());
    EXPECT_GE(rows.size(), 8u);
}

// Through the printer itself: one job, one page per page of text.
TEST(PlainPrinter, PrintsToAPdfFilePageByPage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const QFont font = printFont(FontSpec{"DejaVu Sans Mono", 10, false, false});
    ASSERT_TRUE(printPlainText(printer, numberedLines(40) + "\f" + "next", font));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    const qsizetype pages =
        QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]")));
    // 40 lines of 10 points fit on one A4 or Letter page; the form feed makes a second.
    EXPECT_EQ(pages, 2);
}

}  // namespace
}  // namespace scrivane
