#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "platform/pure/change_ticks.h"

namespace scrivane {

// The narrow strip beside the editing surface's scrollbar: a tick for every marked run, at its
// line's share of the height (blue inserted, red deleted). A click near a tick hands its run's
// start to `goTo`.
class ChangeStrip final : public QWidget {
    Q_OBJECT
  public:
    explicit ChangeStrip(QWidget* parent);

    void setTicks(std::vector<ChangeTick> ticks, Pos lineCount);
    const std::vector<ChangeTick>& ticks() const { return ticks_; }
    Pos lineCount() const { return lineCount_; }
    // Where the tick's row is drawn, from the strip's top.
    int rowOf(const ChangeTick& tick) const;

    std::function<void(Pos)> goTo;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    int usableHeight() const;

    std::vector<ChangeTick> ticks_;
    Pos lineCount_ = 0;
};

}  // namespace scrivane
