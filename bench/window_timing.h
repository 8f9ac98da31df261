#pragma once

// Timing the real window as the command line opens it: the event-loop waits, the paint watch
// and the shown window that the window benchmarks share.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/menu_commands.h"
#include "bench_memory.h"
#include "editor_idle.h"
#include "platform/qt/scintilla_surface.h"

namespace scrivane {

// How long any one wait may last before the benchmark calls it a time-out.
constexpr double kPatience = 300'000;

inline double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Default settings, and none of the user's touched: a child process's own home, set before
// the application starts.
inline void useFreshHome(const QByteArray& home) {
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_STATE_HOME", home + "/state");
}

// Runs the event loop until `done` holds; false on time-out.
inline bool runUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (msSince(t) > kPatience) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Runs the event loop until it waits with nothing to do. Returns when that was on `clock`
// (the moment it began to wait, not when the caret's blinking woke it again); a negative
// number on time-out, after `patience` ms.
inline double runUntilIdle(QsciScintillaBase& editor, const QElapsedTimer& clock,
                           double patience = kPatience) {
    bool blocked = false;
    double blockedAt = 0;
    const auto connection = QObject::connect(QAbstractEventDispatcher::instance(),
                                             &QAbstractEventDispatcher::aboutToBlock, [&] {
                                                 blocked = true;
                                                 blockedAt = msSince(clock);
                                             });
    QElapsedTimer t;
    t.start();
    while ((!blocked || editorBusy(editor)) && msSince(t) <= patience) {
        blocked = false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    QObject::disconnect(connection);
    // Out of patience while the editor still works: a time-out, not idle.
    return blocked && !editorBusy(editor) ? blockedAt : -1;
}

// Notes when the surface first paints with text in it.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(ScintillaSurface& s) : surface(s) {
        surface.editor()->viewport()->installEventFilter(this);
    }
    QElapsedTimer firstWithText;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !firstWithText.isValid() && surface.TextLength() > 0)
            firstWithText.start();
        return false;
    }

  private:
    ScintillaSurface& surface;
};

// When the surface has finished its first paint after a key: the filter passes that paint on
// to the view (and the filters installed before it) itself, and notes the time once it returns.
class KeyPaint : public QObject {
  public:
    KeyPaint(QWidget& keys, QWidget& view, const QElapsedTimer& clock)
        : keys_(keys), view_(view), clock_(clock) {
        keys_.installEventFilter(this);
        view_.installEventFilter(this);
    }
    ~KeyPaint() override {
        keys_.removeEventFilter(this);
        view_.removeEventFilter(this);
    }
    double paintedMs = -1;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == &keys_ && e->type() == QEvent::KeyPress) keyed_ = true;
        if (watched != &view_ || e->type() != QEvent::Paint || !keyed_ || paintedMs >= 0)
            return false;
        view_.removeEventFilter(this);
        QCoreApplication::sendEvent(&view_, e);
        paintedMs = msSince(clock_);
        return true;
    }

  private:
    QWidget& keys_;
    QWidget& view_;
    const QElapsedTimer& clock_;
    bool keyed_ = false;
};

// The window as the command line opens it, shown at a common size.
struct Shown {
    Shown(const std::vector<std::string>& args, bool wrap)
        : window(args),
          ws(window.workspace()),
          surface(static_cast<ScintillaSurface&>(ws.mergedoc)),
          painted(surface) {
        if (ws.settings.wrap != wrap) optWrap_Click(ws);
        window.resize(1000, 700);
        window.show();
    }
    // From the key until the surface has painted what it shows after it: the key, what it
    // posted for later, and a full paint of the view (so at most what the user waits for).
    double press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        return untilPainted(
            [&] { QTest::keyClick(surface.widget(), static_cast<Qt::Key>(key), mods); });
    }
    // A key typed `after` ms from now, timed from then until the surface has finished the
    // paint that shows it. The key comes from another thread, as a user's key comes from the
    // X server: when the window is busy (a slice of background wrapping) it waits its turn.
    // What runs after that paint is not waited for.
    double typed(int key, int after) {
        QElapsedTimer clock;
        clock.start();
        KeyPaint watch(*surface.widget(), *surface.editor()->viewport(), clock);
        std::atomic<double> sentMs{-1};
        QWidget* target = surface.widget();
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(after));
            const QString text(QChar(key).toLower());
            sentMs = msSince(clock);
            QCoreApplication::postEvent(target,
                                        new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
            QCoreApplication::postEvent(
                target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        });
        while (watch.paintedMs < 0 && msSince(clock) < after + 2000.0)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            5);
        user.join();
        return (watch.paintedMs < 0 ? msSince(clock) : watch.paintedMs) - sentMs;
    }
    double untilPainted(const std::function<void()>& action) {
        QElapsedTimer t;
        t.start();
        action();
        QCoreApplication::processEvents();
        surface.editor()->viewport()->repaint();
        return msSince(t);
    }

    MainWindow window;
    Workspace& ws;
    ScintillaSurface& surface;
    PaintWatch painted;
};

// The window opened from the command line `args` (naming `path`), with the time until it
// showed the file; then the time until the caption named the file and the caret's line
// `captionLine`.
struct Opening {
    Opening(const std::string& path, const std::vector<std::string>& args, bool wrap,
            std::size_t captionLine)
        : name(std::filesystem::path(path).filename().string()),
          lineText("line " + std::to_string(captionLine) + "/"),
          startCpu(cpuMs()) {
        clock.start();
        shown = std::make_unique<Shown>(args, wrap);
        // The caption's time is when it changed, however long after that anyone looks.
        const auto noteCaption = [this] {
            if (captioned || !captionNamesTheFile()) return;
            captioned = true;
            captionMs = msSince(clock);
            captionCpuMs = cpuMs() - startCpu;
        };
        QObject::connect(&shown->window, &QWidget::windowTitleChanged, noteCaption);
        noteCaption();
        painted = runUntil([&] { return shown->painted.firstWithText.isValid(); });
        shownMs = painted ? static_cast<double>(clock.msecsTo(shown->painted.firstWithText)) : -1;
    }
    bool captionNamesTheFile() const {
        const std::string caption = shown->window.windowTitle().toStdString();
        return caption.find(name) != std::string::npos &&
               caption.find(lineText) != std::string::npos;
    }
    // False on time-out.
    bool waitForCaption() {
        return runUntil([&] { return captioned; });
    }

    const std::string name;
    const std::string lineText;
    const double startCpu;
    QElapsedTimer clock;
    std::unique_ptr<Shown> shown;
    bool painted = false;
    double shownMs = 0;
    double captionMs = 0;
    double captionCpuMs = 0;
    bool captioned = false;
};

inline double fileMb(const std::string& path) {
    return static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

}  // namespace scrivane
