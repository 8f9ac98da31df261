#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"

namespace scrivane {
namespace {

// Runs under whatever screen and scale factor the test run has: ctest runs it once more with
// a 1280x900 screen at QT_SCALE_FACTOR=2.
class WindowLayoutTest : public ::testing::Test {
  protected:
    WindowLayoutTest() { qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8()); }

    // Every control of the search bar and the editing surface, with a name to report.
    static std::vector<std::pair<QString, QWidget*>> controls(MainWindow& w) {
        std::vector<std::pair<QString, QWidget*>> out;
        for (QWidget* child :
             w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isVisible()) continue;
            QString name = child->metaObject()->className();
            if (auto* b = qobject_cast<QAbstractButton*>(child)) name += " " + b->text();
            out.emplace_back(name, child);
        }
        return out;
    }

    static QString caption(const QAbstractButton* b) {
        QString text = b->text();
        return text.remove(u'&');
    }

    // Each control lies inside the client area, none covers another, and each shows its text
    // whole.
    static void expectWhole(MainWindow& w) {
        const auto all = controls(w);
        ASSERT_GE(all.size(), 10u);
        const QRect client = w.centralWidget()->rect();
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto& [name, widget] = all[i];
            SCOPED_TRACE(name.toStdString());
            EXPECT_TRUE(client.contains(widget->geometry()))
                << "client " << client.width() << "x" << client.height();
            for (std::size_t j = i + 1; j < all.size(); ++j) {
                EXPECT_FALSE(widget->geometry().intersects(all[j].second->geometry()))
                    << "and " << all[j].first.toStdString();
            }
            if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QStyleOptionButton opt;
                opt.initFrom(button);
                opt.text = button->text();
                const QRect inside =
                    button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
                EXPECT_GE(inside.width(), button->fontMetrics().horizontalAdvance(caption(button)));
                EXPECT_GE(inside.height(), button->fontMetrics().ascent());
            } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
                QStyleOptionButton opt;
                opt.initFrom(check);
                opt.text = check->text();
                const QRect inside =
                    check->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, check);
                EXPECT_GE(inside.width(), check->fontMetrics().horizontalAdvance(caption(check)));
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()));
                for (const QString& word : label->text().split(u' ')) {
                    EXPECT_GE(label->contentsRect().width(),
                              label->fontMetrics().horizontalAdvance(word));
                }
            }
        }
    }

    // A line number of nine digits shows whole: moving the cursor from its end to its start
    // scrolls nothing. (The box scrolls its text as it paints.)
    static void expectNineDigitsFit(QLineEdit* box) {
        const QString number = QStringLiteral("150000000");
        const auto cursorX = [box](int position) {
            box->setCursorPosition(position);
            box->repaint();
            return box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        };
        box->setText(number);
        const int end = cursorX(static_cast<int>(number.size()));
        const int start = cursorX(0);
        EXPECT_NEAR(end - start, box->fontMetrics().horizontalAdvance(number), 1);
        box->clear();
    }

    QTemporaryDir tmp;
};

TEST_F(WindowLayoutTest, EveryControlShowsWholeAtAnyWindowSize) {
    MainWindow w({});
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The widest the label usually gets; then narrower and narrower windows, down to one
    // smaller than the least the window allows.
    w.workspace().view.SetStatusLabel("last modified 12:00 PM");
    QLineEdit* gotoBox = nullptr;  // the rightmost box
    for (QLineEdit* box : w.centralWidget()->findChildren<QLineEdit*>()) {
        if (gotoBox == nullptr || box->x() > gotoBox->x()) gotoBox = box;
    }
    const QSize opened = w.size();
    for (const QSize size : {opened, QSize(1600, 1000), QSize(640, 400), QSize(480, 400),
                             QSize(300, 200), QSize(10, 10)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        w.resize(size);
        QTest::qWait(1);
        expectWhole(w);
        expectNineDigitsFit(gotoBox);
    }
}

// Opened on a screen that has room for its least size, the window (frame included) is never
// larger than the screen's available area.
TEST_F(WindowLayoutTest, OpensWithinTheScreen) {
    MainWindow w({});
    const QRect available = w.screen()->availableGeometry();
    if (available.width() < w.minimumSizeHint().width() ||
        available.height() < w.minimumSizeHint().height()) {
        GTEST_SKIP() << "screen too small for the window's least size";
    }
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_LE(w.frameGeometry().width(), available.width());
    EXPECT_LE(w.frameGeometry().height(), available.height());
    expectWhole(w);
}

}  // namespace
}  // namespace scrivane
