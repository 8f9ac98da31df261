#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <memory>

#include "app/app_fixture.h"
#include "app/search_bar.h"

namespace scrivane {
namespace {

// The bar over real widgets, as the window builds them (disabled until the bar takes them).
class SearchBarTest : public AppTest {
  protected:
    SearchBarTest() {
        for (QWidget* w : std::initializer_list<QWidget*>{txtFind, cmdFind, chkExact, txtReplace,
                                                          cmdReplace, cmdReplaceAll}) {
            w->setEnabled(false);
        }
        searchBar = std::make_unique<SearchBar>(ws, txtFind, cmdFind, chkExact, txtReplace,
                                                cmdReplace, cmdReplaceAll, [this] { ++snapshots; });
        window.show();
    }

    struct Selection {
        Pos start, length;
        bool operator==(const Selection&) const = default;
    };
    Selection selection() const { return {mergedoc.SelStart(), mergedoc.SelLength()}; }

    QWidget window;
    QLineEdit* txtFind = new QLineEdit(&window);
    QPushButton* cmdFind = new QPushButton("F&ind", &window);
    QCheckBox* chkExact = new QCheckBox("exact", &window);
    QLineEdit* txtReplace = new QLineEdit(&window);
    QPushButton* cmdReplace = new QPushButton("&Replace", &window);
    QPushButton* cmdReplaceAll = new QPushButton("Replace &All", &window);
    int snapshots = 0;
    std::unique_ptr<SearchBar> searchBar;
};

TEST_F(SearchBarTest, BoxesAndButtonsDriveFindAndReplace) {
    for (QWidget* w : std::initializer_list<QWidget*>{txtFind, cmdFind, chkExact, txtReplace,
                                                      cmdReplace, cmdReplaceAll}) {
        EXPECT_TRUE(w->isEnabled());
    }
    mergedoc.SetText("Abc abc ABC");
    ws.search.findok = true;
    QTest::keyClicks(txtFind, "abc");
    EXPECT_FALSE(ws.search.findok);  // typing in the find box

    QTest::keyClick(txtFind, Qt::Key_Return);  // Enter presses Find
    EXPECT_EQ(txtFind->text(), "abc");
    EXPECT_EQ(ws.search.findtext, "abc");
    EXPECT_EQ(selection(), (Selection{4, 3}));
    EXPECT_TRUE(ws.search.findok);

    QTest::keyClicks(txtReplace, "x");
    QTest::keyClick(txtReplace, Qt::Key_Return);  // Enter presses Replace
    EXPECT_EQ(txtReplace->text(), "x");
    EXPECT_EQ(mergedoc.Text(), "Abc x ABC");
    EXPECT_EQ(selection(), (Selection{6, 3}));

    chkExact->setChecked(true);  // "abc" in this case is gone
    QTest::mouseClick(cmdFind, Qt::LeftButton);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, kNothingFound);
    EXPECT_EQ(selection(), (Selection{6, 3}));
    chkExact->setChecked(false);
    QTest::mouseClick(cmdFind, Qt::LeftButton);
    EXPECT_EQ(selection(), (Selection{0, 3}));
    EXPECT_EQ(services.messages.size(), 1u);
}

TEST_F(SearchBarTest, ReplaceAllButtonIsOneSnapshotInTheDocumentsEncoding) {
    mergedoc.SetText("caf\xE9 + caf\xE9");  // Latin-1
    txtFind->setText(QString::fromUtf8("caf\u00E9"));
    txtReplace->setText(QString::fromUtf8("\u00E9t\u00E9 \u03A9"));
    QTest::mouseClick(cmdReplaceAll, Qt::LeftButton);
    EXPECT_EQ(mergedoc.Text(), "\xE9t\xE9 ? + \xE9t\xE9 ?");
    EXPECT_EQ(snapshots, 1);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(SearchBarTest, MenuCommandsReachTheProcedures) {
    mergedoc.SetText("one two one\r\n  three");
    txtFind->setText("two");
    services.inputs = {"ONE"};
    searchBar->askAndFind();
    EXPECT_EQ(txtFind->text(), "ONE");
    EXPECT_EQ(selection(), (Selection{8, 3}));
    searchBar->findNext();
    EXPECT_EQ(selection(), (Selection{0, 3}));
    searchBar->findPrevious();
    EXPECT_EQ(selection(), (Selection{8, 3}));
    ASSERT_EQ(services.inputPrompts.size(), 1u);

    const bool indent = ws.settings.autoIndent;
    searchBar->toggleAutoIndent();
    EXPECT_NE(ws.settings.autoIndent, indent);
    searchBar->fixIndents();
    EXPECT_EQ(mergedoc.Text(), "one two one\r\n\t\tthree");
    EXPECT_EQ(snapshots, 1);
}

}  // namespace
}  // namespace scrivane
