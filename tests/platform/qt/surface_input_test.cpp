#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>
#include <optional>

#include "platform/qt/surface_widget.h"
#include "surface_fixture.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

void sendKey(QWidget* widget, int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

// ---- change reports ----

TEST_F(SurfaceTest, ChangeIsReportedOncePerInsertionOrDeletion) {
    struct Case {
        const char* name;
        std::string before;
        std::function<void()> act;
        int changes;
    };
    const std::vector<Case> cases{
        {"text into empty", "", [&] { surface.SetText("abc"); }, 1},
        {"text over text", "x", [&] { surface.SetText("abc"); }, 2},
        {"empty over empty", "", [&] { surface.SetText(""); }, 0},
        {"content", "",
         [&] {
             surface.SetContent(RichText{"ab", {TextRun{2, kDeletedRed, true}}});
         },
         1},
        {"insert", "ab", [&] { surface.SetSelText("x"); }, 1},
        {"replace", "ab", [&] { select(0, 1), surface.SetSelText("x"); }, 2},
        {"colour only", "ab", [&] { select(0, 1), surface.SetSelColor(kInsertedBlue); }, 0},
        {"strike only", "ab", [&] { select(0, 1), surface.SetSelStrikeThru(true); }, 0},
        {"caret only", "ab", [&] { surface.SetSelStart(1); }, 0},
        {"typed letter", "", [&] { QTest::keyClick(surface.widget(), Qt::Key_A); }, 1},
    };
    for (const Case& c : cases) {
        surface.SetText(c.before);
        events.changes = 0;
        c.act();
        EXPECT_EQ(events.changes, c.changes) << c.name;
    }
}

TEST_F(SurfaceTest, ChangeHandlerMayRewriteTheContent) {
    // Auto-indent rewrites the whole text from inside the change handler.
    events.onChange = [&] {
        if (surface.Text() == "ab") {
            surface.SetText("rewritten");
            surface.SetSelStart(4);
        }
    };
    surface.SetText("a");
    surface.SetSelStart(1);
    QTest::keyClick(surface.widget(), Qt::Key_B);
    EXPECT_EQ(surface.Text(), "rewritten");
    EXPECT_EQ(surface.SelStart(), 4);

    surface.SetText("a");
    surface.SetSelStart(1);
    surface.SetSelText("b");
    EXPECT_EQ(surface.Text(), "rewritten");
}

// ---- keys ----

TEST_F(SurfaceTest, TypedKeyRaisesDownPressUpAndChange) {
    QTest::keyClick(surface.widget(), Qt::Key_A);
    EXPECT_EQ(surface.Text(), "a");
    EXPECT_EQ(events.keyDowns, (std::vector<std::pair<int, int>>{{65, 0}}));
    EXPECT_EQ(events.keyPresses, (std::vector<int>{'a'}));
    EXPECT_EQ(events.keyUps, (std::vector<std::pair<int, int>>{{65, 0}}));
    EXPECT_EQ(events.changes, 1);
}

TEST_F(SurfaceTest, HandlersCancelKeys) {
    struct Case {
        const char* name;
        Qt::Key key;
        bool zeroDown;
        bool zeroPress;
        std::size_t presses;
    };
    const std::vector<Case> cases{
        {"letter cancelled on key down", Qt::Key_A, true, false, 0},
        {"letter cancelled on key press", Qt::Key_A, false, true, 1},
        {"backspace cancelled on key down", Qt::Key_Backspace, true, false, 0},
        {"delete cancelled on key down", Qt::Key_Delete, true, false, 0},
        {"enter cancelled on key press", Qt::Key_Return, false, true, 1},
    };
    for (const Case& c : cases) {
        surface.SetText("xy");
        surface.SetSelStart(1);
        events = RecordingEvents{};
        events.onKeyDown = [&](int& code, int) {
            if (c.zeroDown) code = 0;
        };
        events.onKeyPress = [&](int& ascii) {
            if (c.zeroPress) ascii = 0;
        };
        QTest::keyClick(surface.widget(), c.key);
        EXPECT_EQ(surface.Text(), "xy") << c.name;
        EXPECT_EQ(surface.SelStart(), 1) << c.name;
        EXPECT_EQ(events.keyPresses.size(), c.presses) << c.name;
        EXPECT_EQ(events.changes, 0) << c.name;
    }
}

TEST_F(SurfaceTest, KeysThatReachTheEditorEditAsUsual) {
    struct Case {
        const char* name;
        std::string text;
        Pos caret;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::string want;
        Pos wantCaret;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const std::vector<Case> cases{
        {"enter", "ab", 1, Qt::Key_Return, none, "a\r\nb", 3},
        {"keypad enter", "ab", 2, Qt::Key_Enter, Qt::KeypadModifier, "ab\r\n", 4},
        {"backspace", "ab", 1, Qt::Key_Backspace, none, "b", 0},
        {"backspace over a line break", "a\r\nb", 3, Qt::Key_Backspace, none, "ab", 1},
        {"delete", "ab", 0, Qt::Key_Delete, none, "b", 0},
        {"shift delete deletes without a window action", "ab", 0, Qt::Key_Delete, Qt::ShiftModifier,
         "b", 0},
        {"letter between cr and lf", "a\r\nb", 2, Qt::Key_X, none, "a\r\nx\r\nb", 4},
        {"enter between cr and lf", "a\r\nb", 2, Qt::Key_Return, none, "a\r\n\r\n\r\nb", 5},
    };
    for (const Case& c : cases) {
        surface.SetText(c.text);
        surface.SetSelStart(c.caret);
        QTest::keyClick(surface.widget(), c.key, c.modifiers);
        EXPECT_EQ(surface.Text(), c.want) << c.name;
        EXPECT_EQ(surface.SelStart(), c.wantCaret) << c.name;
        EXPECT_TRUE(onlyCrLf(surface.Text())) << c.name;
    }
}

TEST_F(SurfaceTest, TabReplacesTheSelectionLikeAnyCharacter) {
    const std::vector<std::tuple<Pos, Pos, Qt::KeyboardModifiers, std::string>> cases{
        {0, 6, Qt::NoModifier, "\t"},  // across lines: no block indent
        {1, 0, Qt::NoModifier, "a\tb\r\ncd"},
        {3, 3, Qt::ShiftModifier, "ab\r\n\t"},  // from between CR and LF: the break stays whole
    };
    for (const auto& [start, length, modifiers, want] : cases) {
        surface.SetText("ab\r\ncd");
        select(start, length);
        events = RecordingEvents{};
        QTest::keyClick(surface.widget(), Qt::Key_Tab, modifiers);
        EXPECT_EQ(surface.Text(), want) << start << "," << length;
        EXPECT_EQ(events.keyPresses, (std::vector<int>{9}));
        EXPECT_GE(events.changes, 1);
    }
}

TEST_F(SurfaceTest, TypedCharacterKeepsTheDocumentsEncoding) {
    const QString eAcute = QString::fromUtf8("\xc3\xa9");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"caf\xe9", "caf\xe9\xe9"},              // one byte per character
        {"caf\xc3\xa9", "caf\xc3\xa9\xc3\xa9"},  // UTF-8
    };
    for (const auto& [before, after] : cases) {
        surface.SetText(before);
        surface.SetSelStart(surface.TextLength());
        sendKey(surface.widget(), Qt::Key_Eacute, Qt::NoModifier, eAcute);
        EXPECT_EQ(surface.Text(), after);
    }
    EXPECT_EQ(events.keyPresses.back(), 0xE9);
}

TEST_F(SurfaceTest, TypedTextTakesTheColourChosenOnKeyPress) {
    struct Case {
        const char* name;
        RichText before;
        Qt::Key key;
        std::optional<Colour> chosen;
        RichText want;
    };
    const std::vector<Case> cases{
        {"chosen blue",
         {"ab", {}},
         Qt::Key_X,
         kInsertedBlue,
         {"axb", {TextRun{1}, TextRun{1, kInsertedBlue}, TextRun{1}}}},
        {"chosen black after blue",
         {"ab", {TextRun{2, kInsertedBlue}}},
         Qt::Key_X,
         kPlain,
         {"axb", {TextRun{1, kInsertedBlue}, TextRun{1}, TextRun{1, kInsertedBlue}}}},
        {"nothing chosen after blue",
         {"ab", {TextRun{1, kInsertedBlue}, TextRun{1}}},
         Qt::Key_X,
         std::nullopt,
         {"axb", {TextRun{2, kInsertedBlue}, TextRun{1}}}},
        {"nothing chosen after struck",
         {"ab", {TextRun{2, kDeletedRed, true}}},
         Qt::Key_X,
         std::nullopt,
         {"axb", {TextRun{1, kDeletedRed, true}, TextRun{1}, TextRun{1, kDeletedRed, true}}}},
        {"chosen blue after struck",
         {"ab", {TextRun{1, kDeletedRed, true}, TextRun{1}}},
         Qt::Key_X,
         kInsertedBlue,
         {"axb", {TextRun{1, kDeletedRed, true}, TextRun{1, kInsertedBlue}, TextRun{1}}}},
        {"enter takes it whole",
         {"ab", {}},
         Qt::Key_Return,
         kInsertedBlue,
         {"a\r\nb", {TextRun{1}, TextRun{2, kInsertedBlue}, TextRun{1}}}},
        {"after a marker no marker",
         {"ab", {TextRun{1, kInsertedBlue, false, true}, TextRun{1, kInsertedBlue}}},
         Qt::Key_X,
         std::nullopt,
         {"axb", {TextRun{1, kInsertedBlue, false, true}, TextRun{2, kInsertedBlue}}}},
        // Text an input method commits (a dead key, a composed character) is typed text.
        {"committed by an input method",
         {"ab", {}},
         Qt::Key_unknown,
         kInsertedBlue,
         {"a\xC3\xA9"
          "b",
          {TextRun{1}, TextRun{2, kInsertedBlue}, TextRun{1}}}},
    };
    for (const Case& c : cases) {
        surface.SetContent(c.before);
        surface.SetSelStart(1);
        events = RecordingEvents{};
        events.onKeyPress = [&](int&) {
            if (c.chosen) surface.SetSelColor(*c.chosen);
        };
        if (c.key == Qt::Key_unknown) {
            QInputMethodEvent commit;
            commit.setCommitString(QString::fromUtf8("\xC3\xA9"));
            QApplication::sendEvent(surface.widget(), &commit);
            // Seen as a key that types a character: down, press, up.
            EXPECT_EQ(events.keyDowns.size(), 1u) << c.name;
            EXPECT_EQ(events.keyPresses, (std::vector<int>{0xE9})) << c.name;
            EXPECT_EQ(events.keyUps.size(), 1u) << c.name;
        } else {
            QTest::keyClick(surface.widget(), c.key);
        }
        EXPECT_EQ(surface.Content(), c.want) << c.name;
    }
}

// The editor's own commands that would change the text behind the handlers' back are not
// bound to any key: each of these keys leaves text and selection alone.
TEST_F(SurfaceTest, NoKeyChangesTextPastTheHandlers) {
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys{
        {Qt::Key_U, ctrlShift},                // upper case
        {Qt::Key_U, ctrl},                     // lower case
        {Qt::Key_Backspace, Qt::AltModifier},  // undo
        {Qt::Key_Y, ctrl},                     // redo
        {Qt::Key_Z, ctrlShift},                // redo
        {Qt::Key_D, ctrl},                     // duplicate
        {Qt::Key_L, ctrl},                     // line cut
        {Qt::Key_L, ctrlShift},                // line delete
        {Qt::Key_T, ctrl},                     // line transpose
        {Qt::Key_T, ctrlShift},                // line copy
        {Qt::Key_Up, ctrlShift},               // move lines
        {Qt::Key_Down, ctrlShift},
        {Qt::Key_Insert, Qt::ShiftModifier},  // paste
        {Qt::Key_Delete, Qt::ShiftModifier},  // cut
    };
    for (const auto& [key, modifiers] : keys) {
        surface.SetText("abc\r\ndef");
        surface.SetSelStart(1);
        surface.SetSelLength(5);
        QApplication::clipboard()->setText("pasted");
        events = RecordingEvents{};
        events.onKeyDown = [](int& code, int) {
            // Delete with Shift is the handlers' own key: not left to the editor here.
            if (code == key::Delete) code = 0;
        };
        QTest::keyClick(surface.widget(), key, modifiers);
        const std::string name = QKeySequence(modifiers | key).toString().toStdString();
        EXPECT_EQ(surface.Text(), "abc\r\ndef") << name;
        EXPECT_EQ(surface.SelLength(), 5) << name;
    }
    // Insert does not switch typing to overwriting.
    surface.SetText("abc");
    surface.SetSelStart(0);
    events = RecordingEvents{};
    QTest::keyClick(surface.widget(), Qt::Key_Insert);
    QTest::keyClick(surface.widget(), Qt::Key_X);
    EXPECT_EQ(surface.Text(), "xabc");
}

TEST_F(SurfaceTest, DisabledSurfaceIgnoresTypedKeys) {
    surface.SetText("ab");
    surface.SetEnabled(false);
    QTest::keyClick(surface.widget(), Qt::Key_X);
    QTest::keyClick(surface.widget(), Qt::Key_Delete);
    EXPECT_EQ(surface.Text(), "ab");
    EXPECT_TRUE(events.keyDowns.empty());
}

// ---- menu shortcuts reach the window ----

class ShortcutWindow : public ::testing::Test {
  protected:
    ShortcutWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(surface.widget());
        surface.SetEvents(&events);
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        surface.SetFocus();
        QCoreApplication::processEvents();
    }

    QWidget window;
    ScintillaSurface surface;
    RecordingEvents events;
};

TEST_F(ShortcutWindow, MenuKeysPassThroughToTheWindow) {
    const auto ctrl = Qt::ControlModifier;
    const auto shift = Qt::ShiftModifier;
    const auto ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const std::vector<QKeyCombination> keys{
        ctrl | Qt::Key_Z,
        ctrl | Qt::Key_Y,
        ctrlShift | Qt::Key_Z,
        ctrl | Qt::Key_T,
        ctrl | Qt::Key_U,
        ctrl | Qt::Key_L,
        ctrlShift | Qt::Key_L,
        ctrlShift | Qt::Key_T,
        ctrl | Qt::Key_D,
        ctrl | Qt::Key_I,
        ctrl | Qt::Key_W,
        ctrl | Qt::Key_B,
        ctrl | Qt::Key_G,
        ctrl | Qt::Key_F,
        ctrl | Qt::Key_N,
        ctrl | Qt::Key_O,
        ctrl | Qt::Key_S,
        ctrl | Qt::Key_P,
        ctrl | Qt::Key_A,
        ctrl | Qt::Key_C,
        ctrl | Qt::Key_X,
        ctrl | Qt::Key_V,
        shift | Qt::Key_Delete,
        shift | Qt::Key_Insert,
        ctrl | Qt::Key_Insert,
        QKeyCombination(Qt::Key_F2),
        QKeyCombination(Qt::Key_F3),
        shift | Qt::Key_F3,
    };
    // The window's actions, and the surface told their keys as a window tells it.
    std::vector<std::unique_ptr<QAction>> actions;
    for (QKeyCombination combo : keys) {
        actions.push_back(std::make_unique<QAction>(&window));
        actions.back()->setShortcut(QKeySequence(combo));
        window.addAction(actions.back().get());
    }
    std::vector<QKeyCombination> given;
    for (const QAction* action : window.actions()) given.push_back(action->shortcut()[0]);
    surface.SetMenuKeys(given);
    for (const auto& action : actions) {
        const QKeyCombination combo = action->shortcut()[0];
        const QString name = QKeySequence(combo).toString();
        surface.SetText("abc\r\ndef");
        surface.SetSelStart(1);
        surface.SetSelLength(5);
        QSignalSpy fired(action.get(), &QAction::triggered);
        QTest::keyClick(surface.widget(), combo.key(), combo.keyboardModifiers());
        EXPECT_EQ(fired.count(), 1) << name.toStdString();
        EXPECT_EQ(surface.Text(), "abc\r\ndef") << name.toStdString();
        EXPECT_EQ(surface.SelStart(), 1) << name.toStdString();
        EXPECT_EQ(surface.SelLength(), 5) << name.toStdString();
    }
}

// A key is the editor's own until the window gives it to a menu, and again once the window
// no longer does.
TEST_F(ShortcutWindow, OnlyTheKeysGivenAreLeftToTheWindow) {
    using Keys = std::vector<QKeyCombination>;
    const QKeyCombination selectAll = Qt::ControlModifier | Qt::Key_A;
    const QKeyCombination save = Qt::ControlModifier | Qt::Key_S;
    QAction action(&window);
    action.setShortcut(QKeySequence(selectAll));
    window.addAction(&action);
    QSignalSpy fired(&action, &QAction::triggered);
    const struct {
        const char* name;
        std::optional<Keys> given;  // nullopt: SetMenuKeys not called
        bool windowTakesIt;
    } steps[] = {
        {"none given yet", std::nullopt, false},
        {"given", Keys{save, selectAll}, true},
        {"given no longer", Keys{save}, false},
        {"given again", Keys{selectAll}, true},
    };
    for (const auto& step : steps) {
        if (step.given) surface.SetMenuKeys(*step.given);
        surface.SetText("abc");
        surface.SetSelStart(1);
        fired.clear();
        QTest::keyClick(surface.widget(), Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(fired.count(), step.windowTakesIt ? 1 : 0) << step.name;
        EXPECT_EQ(surface.SelLength(), step.windowTakesIt ? 0 : 3) << step.name;
    }
}

TEST_F(ShortcutWindow, TypingIsNotTakenForAShortcut) {
    QAction action(&window);
    action.setShortcut(QKeySequence(Qt::Key_Q));
    window.addAction(&action);
    QSignalSpy fired(&action, &QAction::triggered);
    QTest::keyClick(surface.widget(), Qt::Key_Q);
    EXPECT_EQ(fired.count(), 0);
    EXPECT_EQ(surface.Text(), "q");
}

TEST_F(ShortcutWindow, PressInsideTheSelectionStartsAfreshInsteadOfDraggingTextOut) {
    surface.SetText("some text to drag");
    surface.SetSelStart(5);
    surface.SetSelLength(7);
    auto* e = surface.editor();
    const int x = static_cast<int>(e->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0ul, 8l));
    const int y = static_cast<int>(e->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0ul, 8l)) + 3;
    QTest::mousePress(e->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x + 1, y));
    EXPECT_EQ(surface.SelLength(), 0);
    QTest::mouseRelease(e->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x + 1, y));
    EXPECT_EQ(surface.Text(), "some text to drag");
}

TEST_F(ShortcutWindow, MouseUpIsReported) {
    surface.SetText("some text");
    QWidget* viewport = surface.editor()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(viewport, Qt::RightButton, Qt::ShiftModifier, QPoint(5, 5));
    EXPECT_EQ(events.mouseUps, (std::vector<std::pair<int, int>>{{1, 0}, {2, 1}}));
}

// ---- dropped files ----

struct DropCase {
    const char* name;
    QList<QUrl> urls;
    QString text;
    Qt::DropActions actions;
    std::vector<std::string> files;  // empty: refused
};

class Drops : public SurfaceTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drops, OnlyLocalFilesAreTakenAndOnlyCopied) {
    const DropCase& c = GetParam();
    QMimeData data;
    if (!c.urls.isEmpty()) data.setUrls(c.urls);
    if (!c.text.isEmpty()) data.setText(c.text);
    surface.SetText("doc");
    QWidget* viewport = surface.editor()->viewport();

    QDragEnterEvent enter(QPoint(2, 2), c.actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_EQ(enter.isAccepted(), !c.files.empty()) << c.name;
    if (enter.isAccepted()) {
        EXPECT_EQ(enter.dropAction(), Qt::CopyAction) << c.name;
    }

    QDropEvent drop(QPointF(2, 2), c.actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(surface.Text(), "doc") << c.name;
    if (c.files.empty()) {
        EXPECT_TRUE(events.drops.empty()) << c.name;
    } else {
        EXPECT_EQ(events.drops, (std::vector<std::vector<std::string>>{c.files})) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Drops,
    ::testing::Values(
        DropCase{"one file",
                 {QUrl::fromLocalFile("/tmp/a.txt")},
                 {},
                 Qt::CopyAction | Qt::MoveAction,
                 {"/tmp/a.txt"}},
        DropCase{"files in order",
                 {QUrl::fromLocalFile("/tmp/b.txt"), QUrl("https://example.org/x"),
                  QUrl::fromLocalFile("/tmp/a b.txt")},
                 {},
                 Qt::CopyAction,
                 {"/tmp/b.txt", "/tmp/a b.txt"}},
        DropCase{"move only", {QUrl::fromLocalFile("/tmp/a.txt")}, {}, Qt::MoveAction, {}},
        DropCase{"web address", {QUrl("https://example.org/x")}, {}, Qt::CopyAction, {}},
        DropCase{"plain text", {}, "dropped words", Qt::CopyAction | Qt::MoveAction, {}}),
    [](const auto& info) { return std::to_string(info.index); });

// ---- how the editor is set up ----

TEST_F(SurfaceTest, ChangeMarkerHasAGlyphOfItsOwn) {
    char shown[16] = {};
    for (const auto& [text, glyph] : std::vector<std::pair<std::string, std::string>>{
             {"caf\xc3\xa9", "\xe2\x96\xb8"}, {"caf\xe9", "\xbb"}}) {
        surface.SetText(text);
        const long length =
            surface.editor()->SendScintilla(Sci::SCI_GETREPRESENTATION, "\x06", shown);
        EXPECT_EQ(std::string(shown, static_cast<std::size_t>(length)), glyph);
    }
}

TEST_F(SurfaceTest, StylesSetByTheSurfaceSurvivePainting) {
    surface.SetContent(
        RichText{"abc\r\ndef", {TextRun{3, kInsertedBlue}, TextRun{5, kDeletedRed, true}}});
    surface.widget()->resize(300, 200);
    surface.widget()->grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(surface.Content(),
              (RichText{"abc\r\ndef", {TextRun{3, kInsertedBlue}, TextRun{5, kDeletedRed, true}}}));
}

}  // namespace
}  // namespace scrivane
