#include "app/window_metrics.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace scrivane {
namespace {

constexpr int kGotoDigits = 9;
// Inner margin a line edit keeps on either side of its text (QLineEdit's own).
constexpr int kLineEditTextMargin = 2;

int ceilPixels(qreal value) {
    return static_cast<int>(std::ceil(value));
}

int frameWidth(const QWidget* w) {
    return w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
}

// A line edit tall enough for a line of text inside its frame, and wide enough for `text`
// (with room for the cursor after it).
PixelSize lineEditNeed(const QLineEdit* box, qreal textWidth) {
    const QMargins m = box->textMargins();
    const int frame = 2 * frameWidth(box);
    return {ceilPixels(textWidth) + 1 + 2 * kLineEditTextMargin + m.left() + m.right() + frame,
            box->fontMetrics().height() + m.top() + m.bottom() + frame};
}

// A push button whose caption fits inside its bevel with the style's margin; the style's
// preferred width (often a fixed minimum far above the caption) is not needed.
PixelSize buttonNeed(const QPushButton* button) {
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const int frame = 2 * frameWidth(button);
    return {text.width() + margin + frame, text.height() + 2};
}

PixelSize sizeHintOf(const QWidget* w) {
    const QSize s = w->sizeHint();
    return {s.width(), s.height()};
}

// The label's usual text, "last modified" and the time, at its widest; at its narrowest the
// time goes onto a second line.
const QString kStatusWords = QStringLiteral("last modified");
QString widestTime(const QFontMetricsF& fm) {
    const QString am = QStringLiteral("12:00 AM");
    const QString pm = QStringLiteral("12:00 PM");
    return fm.horizontalAdvance(am) >= fm.horizontalAdvance(pm) ? am : pm;
}

// What the label keeps around its text across (or, for Qt::Vertical, down).
int labelFrame(const QLabel* label, Qt::Orientation across = Qt::Horizontal) {
    const QMargins m = label->contentsMargins();
    const int sides = across == Qt::Horizontal ? m.left() + m.right() : m.top() + m.bottom();
    return sides + 2 * label->margin();
}

// The narrowest the label can be with `text` broken at its blanks: its longest word.
int narrowestWidth(const QLabel* label, const QString& text) {
    const QFontMetricsF fm(label->font());
    qreal widest = 0;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        widest = std::max(widest, fm.horizontalAdvance(word));
    }
    return ceilPixels(widest) + labelFrame(label);
}

}  // namespace

SearchBarControls<PixelSize> measureSearchBar(const SearchBarWidgets& bar) {
    SearchBarControls<PixelSize> need;
    need.txtFind = lineEditNeed(bar.txtFind, 0);
    need.txtReplace = lineEditNeed(bar.txtReplace, 0);
    const QFontMetricsF digits(bar.txtGoto->font());
    qreal digit = 0;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        digit = std::max(digit, digits.horizontalAdvance(QChar(d)));
    need.txtGoto = lineEditNeed(bar.txtGoto, kGotoDigits * digit);
    need.cmdFind = buttonNeed(bar.cmdFind);
    need.chkExact = sizeHintOf(bar.chkExact);
    need.cmdReplace = buttonNeed(bar.cmdReplace);
    need.cmdReplaceAll = buttonNeed(bar.cmdReplaceAll);
    need.cmdGoto = buttonNeed(bar.cmdGoto);

    const QFontMetricsF fm(bar.lblmod->font());
    const QString time = widestTime(fm);
    const int width =
        ceilPixels(std::max(fm.horizontalAdvance(kStatusWords), fm.horizontalAdvance(time))) +
        labelFrame(bar.lblmod) + 1;
    const QRect twoLines =
        fm.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, kStatusWords + u' ' + time)
            .toAlignedRect();
    need.lblmod = {width, twoLines.height() + labelFrame(bar.lblmod, Qt::Vertical)};
    return need;
}

SearchBarPlaces placeSearchBar(const SearchBarWidgets& bar, int dpi) {
    const SearchBarPlaces places = layOutSearchBar(measureSearchBar(bar), dpi);
    const auto put = [](QWidget* w, const PixelRect& r) {
        w->setGeometry(r.left, r.top, r.width, r.height);
    };
    const SearchBarControls<PixelRect>& c = places.controls;
    put(bar.txtFind, c.txtFind);
    put(bar.cmdFind, c.cmdFind);
    put(bar.chkExact, c.chkExact);
    put(bar.txtReplace, c.txtReplace);
    put(bar.cmdReplace, c.cmdReplace);
    put(bar.cmdReplaceAll, c.cmdReplaceAll);
    put(bar.txtGoto, c.txtGoto);
    put(bar.cmdGoto, c.cmdGoto);
    put(bar.lblmod, c.lblmod);
    return places;
}

void setStatusText(QLabel* label, const QString& text, int room, int leastWidth) {
    label->setText(text);
    label->setWordWrap(true);
    const int oneLine =
        ceilPixels(QFontMetricsF(label->font()).horizontalAdvance(text)) + labelFrame(label) + 1;
    // Broken, it takes its least width, which puts the time of "last modified" on a line of
    // its own rather than splitting it.
    const int width = oneLine <= room ? oneLine : std::max(leastWidth, narrowestWidth(label, text));
    label->resize(width, label->heightForWidth(width));
}

QSize openingClientSize(const QWidget& window, QSize designed, QSize least) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) return designed.expandedTo(least);
    const QStyle* style = window.style();
    const int frame = 2 * style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const QSize room = screen->availableSize() -
                       QSize(frame, frame + style->pixelMetric(QStyle::PM_TitleBarHeight));
    return designed.boundedTo(room).expandedTo(least);
}

int changeStripWidth(const QWidget& window) {
    return std::max(6,
                    window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &window) / 2);
}

}  // namespace scrivane
