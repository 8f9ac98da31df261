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

// The width a button or check box has inside for its caption.
int captionRoom(QAbstractButton* b, QStyle::SubElement contents) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    return b->style()->subElementRect(contents, &opt, b).width();
}

// A nine-digit line number shows whole when moving the cursor from its end to its start
// scrolls nothing (the box scrolls its text as it paints).
int nineDigitsShown(QLineEdit* box) {
    const auto cursorX = [box](int position) {
        box->setCursorPosition(position);
        box->repaint();
        return box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    };
    box->setText("150000000");
    const int shown = cursorX(9) - cursorX(0);
    box->clear();
    return shown;
}

// ctest runs this once more on a 1280x900 screen at scale factors 1 and 2. At every window
// size, down to one below the least the window allows, each control lies inside the client
// area, none covers another and each shows its text whole. Opened, the window fits the screen.
TEST(WindowLayoutTest, EveryControlShowsWholeAtAnyWindowSize) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    MainWindow w({});
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect screen = w.screen()->availableGeometry();
    if (screen.contains(QRect(screen.topLeft(), w.minimumSizeHint()))) {
        EXPECT_TRUE(screen.contains(w.frameGeometry())) << "opened larger than the screen";
    }
    // A marked document: the change strip beside the surface shows too.
    RichTextBox& doc = w.workspace().mergedoc;
    doc.SetEnabled(false);
    doc.SetContent(RichText{"marked", {TextRun{6, kInsertedBlue, false, false}}});
    doc.SetEnabled(true);
    w.workspace().view.ArmTimer();
    QTest::qWait(1);
    const QList<QWidget*> all =
        w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(all.size(), 11);
    for (const QWidget* c : all) ASSERT_TRUE(c->isVisible()) << c->metaObject()->className();
    for (const QSize size : {w.size(), QSize(1600, 1000), QSize(480, 400), QSize(10, 10)}) {
        w.resize(size);
        QTest::qWait(1);
        // The widest the label usually gets (set after the caption's refresh may have run).
        w.workspace().view.SetStatusLabel("last modified 12:00 PM");
        for (qsizetype i = 0; i < all.size(); ++i) {
            QWidget* c = all[i];
            const auto* b = qobject_cast<QAbstractButton*>(c);
            SCOPED_TRACE(std::to_string(size.width()) + " wide, " + c->metaObject()->className() +
                         " " + (b ? b->text().toStdString() : ""));
            EXPECT_TRUE(w.centralWidget()->rect().contains(c->geometry()));
            for (qsizetype j = i + 1; j < all.size(); ++j) {
                EXPECT_FALSE(c->geometry().intersects(all[j]->geometry()));
            }
            const QFontMetrics fm = c->fontMetrics();
            if (auto* button = qobject_cast<QPushButton*>(c)) {
                EXPECT_GE(captionRoom(button, QStyle::SE_PushButtonContents),
                          fm.horizontalAdvance(button->text().remove(u'&')));
            } else if (auto* check = qobject_cast<QCheckBox*>(c)) {
                EXPECT_GE(captionRoom(check, QStyle::SE_CheckBoxContents),
                          fm.horizontalAdvance(check->text()));
            } else if (auto* label = qobject_cast<QLabel*>(c)) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()));
                EXPECT_GE(label->width(), fm.horizontalAdvance("modified"));
            } else if (auto* box = qobject_cast<QLineEdit*>(c)) {
                EXPECT_NEAR(nineDigitsShown(box), fm.horizontalAdvance("150000000"), 1);
            }
        }
    }
}

}  // namespace
}  // namespace scrivane
