#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "app/layout.h"
#include "document/workspace.h"
#include "recovery/recovery_keeper.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace scrivane {

class ChangeStrip;
class BackgroundHold;
class ScintillaSurface;
class SearchBar;
class QtServices;
class SessionEndWatcher;

// How long the window lets work wait for the event loop. The program uses the defaults; tests
// shorten them so that every kind of between-events work happens while keys arrive.
struct WindowTimings {
    std::chrono::milliseconds caption{500};           // from the last arming to the caption refresh
    std::size_t undoWarmStep = std::size_t{2} << 20;  // bytes prepared per turn of the loop
    std::size_t gapStep = std::size_t{8} << 20;       // the editor's gap moved per turn of the loop
    RecoveryTiming recovery;
};

// The one window (frmScrivane): owns the widgets and the workspace, and only wires events to
// the procedures that live in the subsystem folders.
class MainWindow final : public QMainWindow, private WindowView, private SurfaceEvents {
    Q_OBJECT
  public:
    explicit MainWindow(std::vector<std::string> arguments, const WindowTimings& timings = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    Workspace& workspace() { return *ws_; }

    // A command ran out of memory and stopped: the locks it held are let go, and the user told.
    void reportOutOfMemory();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    // WindowView
    void ArmTimer() override;
    void SetCaption(const std::string& caption) override;
    void SetStatusLabel(const std::string& text) override;
    void ShowRecentFiles(const std::vector<RecentItem>& items) override;
    std::string GotoText() const override;
    void SetGotoText(const std::string& text) override;
    void FocusGotoBoxSelectingAll() override;
    void OptionsChanged() override;
    void DocumentOpened() override;
    void DocumentSaved() override;
    void DocumentClosed() override;

    // SurfaceEvents
    void Change() override;
    void KeyDown(int& keyCode, int shift) override;
    void KeyPress(int& keyAscii) override;
    void KeyUp(int& keyCode, int shift) override;
    void MouseUp(int button, int shift, int x, int y) override;
    void FilesDropped(const std::vector<std::string>& paths) override;
    void PasteSelection(const std::string& utf8) override;
    void ReadOnlyRefused() override;

    void buildSearchBar();
    void buildMenus();
    void layoutSurface();
    // The change strip follows the document's marks: asked after anything that may change
    // them, it looks once the events in hand are done, and only when the content changed.
    void scheduleChangeStrip();
    // Runs `step` at every turn of the event loop while `timer` is started, until it returns
    // false (nothing left to do).
    void stepBetweenEvents(QTimer& timer, std::function<bool()> step);
    void refreshChangeStrip();
    void goToChange(Pos start);
    void fitStatusLabel();
    void refreshEditMenu();
    QAction* addAction(QMenu* menu, const char* caption, const QKeySequence& keys,
                       void (MainWindow::*slot)());

    void exitProgram();
    void newDocument();
    void openDocument();
    void saveDocument();
    void saveDocumentAs();
    void printDocument();
    void undo();
    void cut();
    void copy();
    void paste();
    void unstrikeCommand();
    void compareTo();
    void trackChanges();
    void nextChange();
    void previousChange();
    void blockCheck();
    void askAndFind();
    void findNext();
    void findPrevious();
    void autoIndent();
    void fixIndents();
    void selectAll();
    void gotoLineCommand();
    void gotoButton();
    void toggleWrap();
    void chooseFont();
    void about();

    std::unique_ptr<ScintillaSurface> mergedoc_;
    std::unique_ptr<ScintillaSurface> txt_;
    std::unique_ptr<BackgroundHold> background_;  // outlives services_, which tells it
    std::unique_ptr<QtServices> services_;
    std::unique_ptr<Workspace> ws_;
    std::unique_ptr<RecoveryKeeper> keeper_;
    std::unique_ptr<SessionEndWatcher> sessionEnd_;
    QTimer timer1_;
    std::chrono::milliseconds captionDelay_;
    // Long work that showed its progress: how long it has run, and whether it outlasted the
    // caption's delay, so that the next arming refreshes at once.
    QElapsedTimer longWork_;
    bool refreshAtOnce_ = false;
    QTimer undoWarmer_;
    QTimer stripTimer_;
    std::uint64_t stripRevision_ = 0;
    bool stripKnown_ = false;
    std::size_t undoWarmStep_;
    QTimer gapFollower_;
    std::size_t gapStep_;
    bool shown_ = false;

    QLineEdit* txtFind_ = nullptr;
    QPushButton* cmdFind_ = nullptr;
    QCheckBox* chkExact_ = nullptr;
    QLineEdit* txtReplace_ = nullptr;
    QPushButton* cmdReplace_ = nullptr;
    QPushButton* cmdReplaceAll_ = nullptr;
    QLineEdit* txtGoto_ = nullptr;
    QPushButton* cmdGoto_ = nullptr;
    QLabel* lblmod_ = nullptr;
    ChangeStrip* strip_ = nullptr;
    SearchBarPlaces bar_;
    SearchBar* searchBar_ = nullptr;

    QMenu* mnuFile_ = nullptr;
    QMenu* mnuEdit_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    std::vector<QAction*> mnuRecent_;
    QAction* mnuPaste_ = nullptr;
    QAction* mnuCut_ = nullptr;
    QAction* mnuCopy_ = nullptr;
    QAction* mnuUnstrike_ = nullptr;
    QAction* mnuUndo_ = nullptr;
    QAction* mnuFind_ = nullptr;
    QAction* mnuFindNext_ = nullptr;
    QAction* mnuFindPrevious_ = nullptr;
    QAction* optBlockCheck_ = nullptr;
    QAction* mnuGotoLine_ = nullptr;
    QAction* mnuSelectAll_ = nullptr;
    QAction* optWrap_ = nullptr;
    QAction* mnuIndent_ = nullptr;
    QAction* mnuTrackChanges_ = nullptr;
};

}  // namespace scrivane
