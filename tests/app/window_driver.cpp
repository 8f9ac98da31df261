#include "window_driver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <fstream>
#include <sstream>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

WindowTimings shortTimings() {
    WindowTimings t;
    t.caption = std::chrono::milliseconds(4);
    t.undoWarmStep = 16;
    t.gapStep = 64;
    t.recovery.quiet = std::chrono::milliseconds(8);
    t.recovery.longest = std::chrono::milliseconds(30);
    t.recovery.retry = std::chrono::milliseconds(30);
    t.recovery.step = 64;
    return t;
}

// The key a character is typed with: Qt names keys by their upper-case character.
Qt::Key keyOf(QChar character) {
    return static_cast<Qt::Key>(character.toUpper().unicode());
}

}  // namespace

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

WindowDriver::WindowDriver(const std::string& path, bool autoIndent)
    : WindowDriver(std::vector<std::string>{path}) {
    for (QAction* a : window_->findChildren<QAction*>()) {
        if (a->text() == "&Auto-Indent" && a->isChecked() != autoIndent) a->trigger();
    }
    settle(5);
}

WindowDriver::WindowDriver(std::vector<std::string> arguments)
    : window_(std::make_unique<MainWindow>(std::move(arguments), shortTimings())) {
    // A message box would wait for a user who is not there: it is noted and closed.
    watchdog_.setInterval(40);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            dialog_ = box != nullptr ? box->text().toStdString() : "a dialog";
            modal->close();
        }
    });
    watchdog_.start();
    window_->show();
    window_->activateWindow();
    // Both are looked at again by the scripts, through the focus and the document.
    (void)QTest::qWaitForWindowActive(window_.get());
    (void)QTest::qWaitFor([this] { return !window_->workspace().doc.filename.empty(); }, 3000);
    settle(5);
}

WindowDriver::~WindowDriver() {
    // Closing would ask about unsaved work; the window simply goes.
    watchdog_.stop();
}

QWidget* WindowDriver::surfaceWidget() const {
    return dynamic_cast<ScintillaSurface&>(window_->workspace().mergedoc).widget();
}

void WindowDriver::settle(int ms) {
    if (ms <= 0) {
        QCoreApplication::processEvents();
    } else {
        QTest::qWait(ms);
    }
}

void WindowDriver::key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    // The text a keyboard gives with the key, as the X11 platform reports it.
    QString text;
    if (key >= Qt::Key_A && key <= Qt::Key_Z && (modifiers & Qt::ControlModifier)) {
        text = QChar(key - Qt::Key_A + 1);
    } else if (key == Qt::Key_Return) {
        text = "\r";
    } else if (key == Qt::Key_Tab) {
        text = "\t";
    } else if (key == Qt::Key_Backspace) {
        text = "\b";
    } else if (key == Qt::Key_Delete) {
        text = QChar(0x7F);
    }
    QTest::sendKeyEvent(QTest::Click, window_->windowHandle(), key, text, modifiers);
    settle(0);
}

void WindowDriver::type(const QString& character) {
    QTest::sendKeyEvent(QTest::Click, window_->windowHandle(), keyOf(character.at(0)), character,
                        Qt::NoModifier);
    settle(0);
}

void WindowDriver::compose(const QString& character) {
    QInputMethodEvent commit;
    commit.setCommitString(character);
    QApplication::sendEvent(QApplication::focusWidget(), &commit);
    settle(0);
}

void WindowDriver::click(double x, double y) {
    auto* editor = dynamic_cast<QAbstractScrollArea*>(surfaceWidget());
    QWidget* viewport = editor->viewport();
    const QPoint at(static_cast<int>(x * viewport->width()),
                    static_cast<int>(y * viewport->height()));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    settle(0);
}

void WindowDriver::replaceAll(const QString& from, const QString& to) {
    const QList<QLineEdit*> boxes =
        window_->centralWidget()->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    // The find box, then the replace box, as the search bar lays them out.
    for (const auto& [box, text] : {std::pair{boxes.at(0), from}, std::pair{boxes.at(1), to}}) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, box, keyOf(c), c, {});
    }
    for (QPushButton* button : window_->findChildren<QPushButton*>()) {
        if (button->text().remove('&') == "Replace All") QTest::mouseClick(button, Qt::LeftButton);
    }
    settle(0);
}

void WindowDriver::setClipboard(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

std::string WindowDriver::waitForCaption(const std::string& caption) {
    // The caption is refreshed a few milliseconds after the last key, later on a busy machine.
    (void)QTest::qWaitFor([&] { return window_->windowTitle().toStdString() == caption; }, 2000);
    return window_->windowTitle().toStdString();
}

model::Selection WindowDriver::selection() {
    return {surface().SelStart(), surface().SelLength()};
}

bool WindowDriver::surfaceHasFocus() const {
    return QApplication::focusWidget() == surfaceWidget();
}

}  // namespace scrivane
