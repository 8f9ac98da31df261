#include "platform/qt/change_strip.h"

#include <QMouseEvent>
#include <QPainter>

namespace scrivane {

namespace {

// The editor's mark colours, given red in the low byte.
QColor markColour(Colour c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

constexpr int kTickHeight = 3;

}  // namespace

ChangeStrip::ChangeStrip(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Where the changes are: click one to go there"));
}

void ChangeStrip::setTicks(std::vector<ChangeTick> ticks, Pos lineCount) {
    ticks_ = std::move(ticks);
    lineCount_ = lineCount;
    update();
}

int ChangeStrip::usableHeight() const {
    // A tick on the last line still shows whole.
    return std::max(1, height() - kTickHeight + 1);
}

int ChangeStrip::rowOf(const ChangeTick& tick) const {
    return tickRow(tick.line, lineCount_, usableHeight());
}

void ChangeStrip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // Ticks on one row are drawn once: blue, red, or both side by side.
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(usableHeight()), 0);
    for (const ChangeTick& tick : ticks_) {
        rows[static_cast<std::size_t>(rowOf(tick))] |= tick.deleted ? 2 : 1;
    }
    const QColor blue = markColour(kInsertedBlue);
    const QColor red = markColour(kDeletedRed);
    const int w = width();
    for (std::size_t y = 0; y < rows.size(); ++y) {
        const int top = static_cast<int>(y);
        switch (rows[y]) {
            case 1:
                painter.fillRect(1, top, w - 2, kTickHeight, blue);
                break;
            case 2:
                painter.fillRect(1, top, w - 2, kTickHeight, red);
                break;
            case 3:
                painter.fillRect(1, top, w / 2 - 1, kTickHeight, blue);
                painter.fillRect(w / 2, top, w - w / 2 - 1, kTickHeight, red);
                break;
            default:
                break;
        }
    }
}

void ChangeStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int y = static_cast<int>(event->position().y());
    const int at = tickAt(ticks_, lineCount_, usableHeight(), y - kTickHeight / 2, kTickHeight + 2);
    if (at >= 0 && goTo) goTo(ticks_[static_cast<std::size_t>(at)].start);
}

}  // namespace scrivane
