#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "app/main_window.h"
#include "app/opening.h"
#include "platform/qt/scintilla_surface.h"
#include "platform/work_progress.h"

namespace scrivane {
namespace {

std::vector<std::pair<QString, bool>> itemsOf(QMenu* menu) {
    std::vector<std::pair<QString, bool>> items;
    for (QAction* a : menu->actions()) items.emplace_back(a->text(), a->isEnabled());
    return items;
}

QMenu* menuTitled(QMainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions()) {
        if (a->text() == title) return a->menu();
    }
    return nullptr;
}

// The real window, wired to its procedures: what a user sees after `scrivane notes.txt 2`.
class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());  // keep the user's settings out of it
        qputenv("XDG_STATE_HOME", tmp.path().toUtf8());   // and their recovery files
        path = tmp.path().toStdString() + "/notes.txt";
        std::ofstream(path, std::ios::binary) << "one\ntwo\nthree\n";
    }

    bool waitForCaption(MainWindow& w, const QString& caption) {
        return QTest::qWaitFor([&] { return w.windowTitle() == caption; }, 3000);
    }

    // Where the editor's gap lies in the window's document.
    static Pos gapOf(Workspace& ws) {
        return static_cast<ScintillaSurface&>(ws.mergedoc)
            .editor()
            ->SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION);
    }

    QTemporaryDir tmp;
    std::string path;
};

TEST_F(MainWindowTest, OpensAtTheLineAndFollowsTyping) {
    MainWindow w({path, "2"});
    EXPECT_EQ(w.windowTitle(), "Scrivane 1.2");
    w.show();
    const QString base = "Scrivane ver. 1.2 - " + QString::fromStdString(path);
    ASSERT_TRUE(waitForCaption(w, base + " (line 2/3 unmodified)"))
        << w.windowTitle().toStdString();
    RichTextBox& doc = w.workspace().mergedoc;
    EXPECT_EQ(doc.SelStart(), 5);
    EXPECT_EQ(doc.SelLength(), 3);

    doc.SetSelStart(0);
    doc.SetSelText("x");
    EXPECT_TRUE(waitForCaption(w, base + " (line 1/3)")) << w.windowTitle().toStdString();

    w.workspace().doc.stored.set(doc.Text());  // nothing to save: closing asks nothing
    EXPECT_TRUE(w.close());
}

// The text as opened or saved, which the document's own text stands for until edits change
// it, through the keys and the event loop: typing taken back is unmodified again, and Undo
// after a save brings back the text as opened, which a second save writes byte for byte.
TEST_F(MainWindowTest, TheTextAsOpenedOrSavedOutlivesEditsAndSaves) {
    const std::string opened =
        "one\r\n two\n thr\x06"
        "ee\r four\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << opened;
    const auto onDisk = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    MainWindow w({path});
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const QString base = "Scrivane ver. 1.2 - " + QString::fromStdString(path);
    ASSERT_TRUE(waitForCaption(w, base + " (line 1/4 unmodified)"))
        << w.windowTitle().toStdString();
    QWidget* keys = QApplication::focusWidget();
    ASSERT_NE(keys, nullptr);
    const auto caption = [&](const char* state) {
        return waitForCaption(w, base + " (line 2/4" + state + ")");
    };

    QTest::keyClick(keys, Qt::Key_Down);
    QTest::keyClicks(keys, "XY");
    EXPECT_TRUE(caption("")) << w.windowTitle().toStdString();
    QTest::keyClick(keys, Qt::Key_Backspace);
    QTest::keyClick(keys, Qt::Key_Backspace);
    EXPECT_TRUE(caption(" unmodified")) << w.windowTitle().toStdString();

    QTest::keyClicks(keys, "XY");
    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(caption(" unmodified")) << w.windowTitle().toStdString();
    EXPECT_EQ(onDisk(),
              "one\r\nXY two\n thr\x06"
              "ee\r four\n");
    // The typing run goes on past the save: one Undo takes it back whole.
    QTest::keyClick(keys, Qt::Key_Q);
    EXPECT_TRUE(caption("")) << w.windowTitle().toStdString();
    QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(caption("")) << w.windowTitle().toStdString();
    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(caption(" unmodified")) << w.windowTitle().toStdString();
    EXPECT_EQ(onDisk(), opened);
    EXPECT_TRUE(w.close());
}

// The title shows a file name as it is: "[*]" is not taken as Qt's modified mark, and bytes
// that are not UTF-8 are escaped instead of lost.
TEST_F(MainWindowTest, TheTitleShowsOddNamesReadably) {
    const std::string odd = tmp.path().toStdString() + "/x[*]r\xE9sum\xE9.txt";
    std::ofstream(odd, std::ios::binary) << "text\n";
    MainWindow w({odd});
    w.show();
    const QString shown = "Scrivane ver. 1.2 - " + tmp.path() + "/x[*]r\\xE9sum\\xE9.txt";
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.windowHandle()->title().startsWith(shown); }, 3000))
        << w.windowHandle()->title().toStdString();
    EXPECT_EQ(w.workspace().doc.filename, odd);
    EXPECT_TRUE(w.close());
    std::remove(odd.c_str());  // Qt cannot name it to remove it with the directory
}

// Every arming restarts the countdown: while a key is held the caption waits, and it shows the
// state after the last key about half a second after it.
TEST_F(MainWindowTest, CaptionFollowsTheLastArming) {
    MainWindow w({path});
    w.show();
    const QString base = "Scrivane ver. 1.2 - " + QString::fromStdString(path);
    ASSERT_TRUE(waitForCaption(w, base + " (line 1/3 unmodified)"));
    Workspace& ws = w.workspace();
    for (int i = 0; i < 25; ++i) {
        ws.mergedoc.SetSelStart(5);
        ws.view.ArmTimer();
        QTest::qWait(40);
    }
    EXPECT_EQ(w.windowTitle(), base + " (line 1/3 unmodified)");
    ws.mergedoc.SetSelStart(10);
    ws.view.ArmTimer();
    EXPECT_TRUE(waitForCaption(w, base + " (line 3/3 unmodified)"))
        << w.windowTitle().toStdString();
    EXPECT_TRUE(w.close());
}

TEST_F(MainWindowTest, MenusAsDesigned) {
    MainWindow w({});
    w.show();
    QStringList titles;
    for (QAction* a : w.menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&Options", "&About"}));

    using Items = std::vector<std::pair<QString, bool>>;
    const Items file = itemsOf(menuTitled(w, "&File"));
    ASSERT_GE(file.size(), 8u);
    EXPECT_EQ(Items(file.begin(), file.begin() + 6), (Items{{"&New", true},
                                                            {"&Open...", true},
                                                            {"&Print", true},
                                                            {"&Save", true},
                                                            {"Save &As...", true},
                                                            {"", true}}));
    EXPECT_EQ(file.back(), (std::pair<QString, bool>{"E&xit", true}));

    EXPECT_EQ(itemsOf(menuTitled(w, "&Options")), (Items{{"&Compare to...", true},
                                                         {"&Track Changes", true},
                                                         {"Next Change", true},
                                                         {"Previous Change", true},
                                                         {"&Block Check", true},
                                                         {"", true},
                                                         {"&Wrap Text", true},
                                                         {"", true},
                                                         {"&Auto-Indent", true},
                                                         {"Fi&x Indents", true},
                                                         {"", true},
                                                         {"Set F&ont...", true}}));
    const Items edit = itemsOf(menuTitled(w, "&Edit"));
    ASSERT_EQ(edit.size(), 12u);
    EXPECT_EQ(edit[3], (std::pair<QString, bool>{"&Unstrike", true}));
    EXPECT_EQ(edit[7], (std::pair<QString, bool>{"&Find", true}));
}

// The recent files sit between the two separators before Exit; an empty list keeps one
// empty item there, which does nothing when chosen.
TEST_F(MainWindowTest, EmptyRecentListKeepsOneEmptyItem) {
    MainWindow w({});
    const QList<QAction*> items = menuTitled(w, "&File")->actions();
    const auto first =
        std::find_if(items.begin(), items.end(), [](QAction* a) { return a->isSeparator(); });
    ASSERT_TRUE(first + 2 < items.end() && first[2]->isSeparator())
        << "one item between the separators";
    EXPECT_EQ(first[1]->text(), "");
    first[1]->trigger();
    EXPECT_EQ(w.workspace().doc.filename, "");
}

TEST_F(MainWindowTest, GotoBoxAndButton) {
    MainWindow w({path});
    w.show();
    RichTextBox& doc = w.workspace().mergedoc;
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc.TextLength() > 0; }, 3000));
    QLineEdit* box = nullptr;
    QPushButton* button = nullptr;
    for (QPushButton* b : w.findChildren<QPushButton*>()) {
        if (b->text() == "&Goto") button = b;
    }
    for (QLineEdit* e : w.findChildren<QLineEdit*>()) {
        if (e->isEnabled()) box = e;
    }
    ASSERT_TRUE(box && button);
    box->setText("3");
    QTest::keyClick(box, Qt::Key_Return);  // Enter presses the button
    EXPECT_EQ(doc.SelStart(), 10);
    EXPECT_EQ(doc.SelLength(), 5);
    box->setText("1");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(doc.SelStart(), 0);
    EXPECT_EQ(doc.SelLength(), 3);
}

// Runs `act` on the next modal dialog of type `Dialog` once it is shown; the poll stops with
// the returned timer.
template <typename Dialog>
std::unique_ptr<QTimer> whenShown(std::function<void(Dialog&)> act) {
    auto poll = std::make_unique<QTimer>();
    poll->setInterval(5);
    QTimer* timer = poll.get();
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        act(*dialog);
    });
    poll->start();
    return poll;
}

// Alt and a letter reach one control of the window only: the menu bar's titles and the search
// bar's buttons share no access key.
TEST_F(MainWindowTest, AccessKeysAreUnique) {
    MainWindow w({});
    std::map<QKeySequence, QString> owners;
    const auto claim = [&](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty()) return;
        const auto [it, added] = owners.emplace(key, text);
        EXPECT_TRUE(added) << text.toStdString() << " and " << it->second.toStdString() << ": "
                           << key.toString().toStdString();
    };
    for (QAction* a : w.menuBar()->actions()) claim(a->text());
    for (QAbstractButton* b : w.centralWidget()->findChildren<QAbstractButton*>()) claim(b->text());
    EXPECT_GE(owners.size(), 7u);  // File, Edit, Options, About, Find, Replace, Goto...
}

// Neither editing surface claims a key of the menus before the menus' actions see it: the
// keys are whatever shortcuts the window gave its actions.
TEST_F(MainWindowTest, SurfacesLeaveEveryMenuKeyToTheMenus) {
    MainWindow w({});
    ScintillaSurface* surfaces[] = {&dynamic_cast<ScintillaSurface&>(w.workspace().mergedoc),
                                    &dynamic_cast<ScintillaSurface&>(w.workspace().txt)};
    int keys = 0;
    for (const QAction* action : w.menuBar()->findChildren<QAction*>()) {
        for (const QKeySequence& shortcut : action->shortcuts()) {
            ++keys;
            const QKeyCombination combo = shortcut[0];
            for (ScintillaSurface* surface : surfaces) {
                QKeyEvent claim(QEvent::ShortcutOverride, combo.key(), combo.keyboardModifiers());
                claim.ignore();  // as the application asks
                QApplication::sendEvent(surface->widget(), &claim);
                EXPECT_FALSE(claim.isAccepted()) << shortcut.toString().toStdString() << " in "
                                                 << (surface == surfaces[0] ? "mergedoc" : "txt");
            }
        }
    }
    EXPECT_GE(keys, 20);  // New, Open, Save, Paste (two keys), Copy (two keys), ...
}

// Alt+A opens the About box, wherever the focus is.
TEST_F(MainWindowTest, AltAShowsAbout) {
    MainWindow w({path});
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    RichTextBox& doc = w.workspace().mergedoc;
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc.TextLength() > 0; }, 3000));
    QString shown;
    const auto poll = whenShown<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(shown.startsWith("Scrivane ver. 1.2, a plain-text editor")) << shown.toStdString();
    EXPECT_EQ(doc.Text(), "one\r\ntwo\r\nthree\r\n");
    EXPECT_TRUE(w.close());
}

// A file that cannot be opened (here a FIFO, as a drop or the command line would name it)
// leaves the window on the document it had: the caption still names its file, and Ctrl+S
// writes there.
TEST_F(MainWindowTest, AFailedOpenKeepsTheCaptionAndTheFile) {
    const std::string fifo = tmp.path().toStdString() + "/ff";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    MainWindow w({path});
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const QString base = "Scrivane ver. 1.2 - " + QString::fromStdString(path);
    ASSERT_TRUE(waitForCaption(w, base + " (line 1/3 unmodified)"));
    Workspace& ws = w.workspace();
    ws.mergedoc.SetSelStart(5);  // the caption shows it at its next refresh

    QString shown;
    const auto poll = whenShown<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    openfile(ws, fifo);
    EXPECT_EQ(shown.toStdString(), "Not a regular file opening " + fifo);
    EXPECT_TRUE(waitForCaption(w, base + " (line 2/3 unmodified)"))
        << w.windowTitle().toStdString();
    ASSERT_EQ(ws.doc.filename, path);  // else Ctrl+S would ask for a name

    ws.mergedoc.SetSelText("2");
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "one\n2two\nthree\n");
    EXPECT_TRUE(w.close());
}

// Between events the editor's gap comes back to where the next key edits, a step at a time,
// but not while long work that holds a view of the text lets events run; the bytes typed
// after it land where they were typed.
TEST_F(MainWindowTest, TheGapFollowsTheCaretButWaitsForLongWork) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + "\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    WindowTimings timings;
    timings.gapStep = 1024;
    MainWindow w({path}, timings);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Workspace& ws = w.workspace();
    const auto gap = [&] { return gapOf(ws); };
    QWidget* keys = QApplication::focusWidget();
    ASSERT_NE(keys, nullptr);
    // Opened, the gap is at the end and the caret at the start.
    EXPECT_TRUE(QTest::qWaitFor([&] { return gap() == 0; }, 10'000)) << gap();
    // A few lines down the next key moves the gap; after a jump far ahead it goes there in the
    // pause, and the key typed there lands there.
    for (int i = 0; i < 3; ++i) QTest::keyClick(keys, Qt::Key_Down);
    ws.view.ArmTimer();
    QTest::qWait(100);
    EXPECT_EQ(gap(), 0);
    const std::size_t middle = text.find("line 1500\n");
    const auto middleInDocument = static_cast<Pos>(middle + 1500);  // each break CR LF
    ws.mergedoc.SetSelStart(middleInDocument);
    ws.view.ArmTimer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return gap() == middleInDocument; }, 10'000)) << gap();
    QTest::keyClick(keys, Qt::Key_M);
    // Near the end: the gap arrives before the CR it would otherwise split from its LF.
    const Pos nearEnd = ws.mergedoc.TextLength() - 2000;
    ws.mergedoc.SetSelStart(nearEnd);
    ws.view.ArmTimer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return gap() == nearEnd || gap() == nearEnd - 1; }, 10'000))
        << gap();

    QTest::keyClick(keys, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(keys, Qt::Key_X);
    const long atEnd = gap();
    EXPECT_EQ(atEnd, ws.mergedoc.TextLength());
    QTest::keyClick(keys, Qt::Key_Home, Qt::ControlModifier);
    {
        WorkProgress progress(ws.services, "Holding", WorkProgress::Escape::Ignored);
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < 200) {
            progress.tell(0.5);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        EXPECT_EQ(gap(), atEnd);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return gap() == 0; }, 10'000)) << gap();
    QTest::keyClick(keys, Qt::Key_Y);
    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "y" + text.substr(0, middle) + "m" + text.substr(middle) + "x");

    // A text that cannot change keeps its gap where the filling left it, at the end.
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += "read only\r\n";
    auto pending = ws.mergedoc.StartText(lines.size(), true);
    ASSERT_TRUE(pending->Append(lines));
    ws.mergedoc.TakeText(std::move(pending), {});
    ASSERT_TRUE(ws.mergedoc.ReadOnly());
    ASSERT_EQ(ws.mergedoc.SelStart(), 0);
    ws.view.ArmTimer();
    QTest::qWait(200);
    EXPECT_EQ(gap(), static_cast<long>(lines.size()));
    ws.doc.stored.set(ws.mergedoc.Text());  // nothing to save: closing asks nothing
    EXPECT_TRUE(w.close());
}

// Find and Find Previous read the text where it lies, around the editor's gap: a match the gap
// cuts in two is found both ways, and searching leaves the gap where the typing left it.
TEST_F(MainWindowTest, FindReadsAroundTheGapWithoutMovingIt) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "alpha beta gamma " + std::to_string(i) + "\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    MainWindow w({path});
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Workspace& ws = w.workspace();
    const auto gap = [&] { return gapOf(ws); };
    QWidget* keys = QApplication::focusWidget();
    ASSERT_NE(keys, nullptr);
    // The one x of the document, typed into line 1000: the key's edit brings the gap there.
    std::string model;
    for (const char c : text) model += c == '\n' ? "\r\n" : std::string(1, c);
    const auto at = static_cast<Pos>(model.find("gamma 1000\r\n") + 3);
    model.insert(static_cast<std::size_t>(at), "x");
    ws.mergedoc.SetSelStart(at);
    QTest::keyClick(keys, Qt::Key_X);
    const Pos cut = gap();
    ASSERT_LE(std::abs(cut - at), 3);
    // Eight bytes the gap cuts in half, the x among them, looked for in capitals.
    const std::pair<Pos, Pos> match{cut - 4, 8};
    const QString find =
        QString::fromStdString(model.substr(static_cast<std::size_t>(cut - 4), 8)).toUpper();

    QLineEdit* findBox =
        w.centralWidget()->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly).value(0);
    ASSERT_NE(findBox, nullptr);
    QTest::keyClicks(findBox, find);
    const auto selection = [&] {
        return std::pair<Pos, Pos>{ws.mergedoc.SelStart(), ws.mergedoc.SelLength()};
    };
    // Enter finds from the caret, past the end and around to the match; F3 comes back to it,
    // and so does Shift+F3 from the other side.
    QTest::keyClick(findBox, Qt::Key_Return);
    EXPECT_EQ(selection(), match) << find.toStdString();
    EXPECT_EQ(gap(), cut);
    QTest::keyClick(findBox, Qt::Key_F3);
    EXPECT_EQ(selection(), match);
    EXPECT_EQ(gap(), cut);
    QTest::keyClick(findBox, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(selection(), match);
    EXPECT_EQ(gap(), cut);
    EXPECT_EQ(ws.mergedoc.Text(), model);
    ws.doc.stored.set(ws.mergedoc.Text());  // nothing to save: closing asks nothing
    EXPECT_TRUE(w.close());
}

// The caption waits its delay after a key, so that a burst of keys costs one refresh; after
// work long enough to show its progress the user has waited already, and it comes at once.
TEST_F(MainWindowTest, TheCaptionFollowsLongWorkAtOnce) {
    WindowTimings timings;
    timings.caption = std::chrono::milliseconds(500);
    MainWindow w({}, timings);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    Workspace& ws = w.workspace();
    const auto captionWaitAfter = [&](int workMs) {
        QTest::qWait(600);  // no refresh pending from before
        const std::string name = "/tmp/after " + std::to_string(workMs) + " ms.txt";
        ws.doc.filename = name;
        {
            WorkProgress progress(ws.services, "Working", WorkProgress::Escape::Ignored);
            QElapsedTimer work;
            work.start();
            while (work.elapsed() < workMs) {
                progress.tell(0.5);
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            }
        }
        ws.view.ArmTimer();
        QElapsedTimer waited;
        waited.start();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return w.windowTitle().toStdString().find(name) != std::string::npos; }, 5'000));
        return waited.elapsed();
    };
    EXPECT_LT(captionWaitAfter(600), 250);
    EXPECT_GE(captionWaitAfter(30), 400);
}

}  // namespace
}  // namespace scrivane
