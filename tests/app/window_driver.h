#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "editor_model.h"

class QWidget;

namespace scrivane {

// The real window on a file, driven as a user drives it: key and mouse events go through the
// application to whatever has the focus, and the event loop runs between them, so timers
// fire and work between events happens. Every delay of the window is short, so that the
// caption refresh, the undo slot's preparation and recovery writes happen while keys arrive.
class WindowDriver {
  public:
    // Opens `path` from the command line; `autoIndent` is set through the Options menu.
    WindowDriver(const std::string& path, bool autoIndent);
    // Started with these arguments (a file among them); Auto-Indent as it comes.
    explicit WindowDriver(std::vector<std::string> arguments);
    ~WindowDriver();

    MainWindow& window() { return *window_; }
    RichTextBox& surface() { return window_->workspace().mergedoc; }

    // A key, with the event loop let run afterwards.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Types one character (its text as the keyboard gives it).
    void type(const QString& character);
    // A character an input method composes (a dead key and a letter): committed text.
    void compose(const QString& character);
    // A left click on the surface at a place given as fractions of its size.
    void click(double x, double y);
    // Fills the find and replace boxes by typing, presses Replace All, and clicks back into
    // the surface.
    void replaceAll(const QString& from, const QString& to);
    void setClipboard(const QString& text);

    // Lets the event loop run for about `ms` milliseconds.
    void settle(int ms);
    // Waits (a while at most) for the caption to read `caption`; the caption it read.
    std::string waitForCaption(const std::string& caption);
    model::Selection selection();
    // The focus is on the surface, where keys go.
    bool surfaceHasFocus() const;
    // A message box that came up and was closed, empty when none did.
    const std::string& unexpectedDialog() const { return dialog_; }

  private:
    QWidget* surfaceWidget() const;

    std::unique_ptr<MainWindow> window_;
    QTimer watchdog_;
    std::string dialog_;
};

// A file's bytes.
std::string fileBytes(const std::string& path);

// Random scripts and fixed ones share this: the window and the model are told the same, and
// `check` compares them.
struct ScriptLog {
    std::string steps;
    void add(const std::string& step) { steps += step + "; "; }
};

}  // namespace scrivane
