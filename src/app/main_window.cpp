#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

#include "app/caption.h"
#include "app/layout.h"
#include "app/menu_commands.h"
#include "app/opening.h"
#include "app/saving.h"
#include "app/search_bar.h"
#include "app/startup.h"
#include "app/window_metrics.h"
#include "navigate/goto_line.h"
#include "platform/qt/background_hold.h"
#include "platform/qt/change_strip.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/scintilla_surface.h"
#include "recovery/recovery_keeper.h"
#include "recovery/recovery_store.h"
#include "recovery/session_end.h"
#include "settings/display_options.h"
#include "tracking/edit_menu.h"
#include "tracking/modified_check.h"
#include "tracking/previous_change.h"
#include "tracking/read_only.h"
#include "tracking/track_changes.h"
#include "tracking/tracked_keys.h"
#include "tracking/undo_buffer.h"

namespace scrivane {
namespace {

// Every text the window shows: a file name that is not UTF-8 shows its odd bytes escaped.
QString qs(const std::string& s) {
    return readableText(s);
}

// The first key of every shortcut of the actions in the menus.
std::vector<QKeyCombination> menuShortcuts(const QMenuBar& menus) {
    std::vector<QKeyCombination> keys;
    for (const QAction* action : menus.findChildren<QAction*>()) {
        for (const QKeySequence& shortcut : action->shortcuts()) {
            if (!shortcut.isEmpty()) keys.push_back(shortcut[0]);
        }
    }
    return keys;
}

}  // namespace

MainWindow::MainWindow(std::vector<std::string> arguments, const WindowTimings& timings,
                       QWidget* parent)
    : QMainWindow(parent),
      mergedoc_(std::make_unique<ScintillaSurface>()),
      txt_(std::make_unique<ScintillaSurface>()),
      background_(std::make_unique<BackgroundHold>(*mergedoc_->editor())),
      services_(std::make_unique<QtServices>(this)),
      captionDelay_(timings.caption),
      undoWarmStep_(timings.undoWarmStep),
      gapStep_(timings.gapStep) {
    setCentralWidget(new QWidget(this));
    mergedoc_->widget()->setParent(centralWidget());
    mergedoc_->SetEvents(static_cast<SurfaceEvents*>(this));
    // While long work lets events run, the component's own background work waits for it.
    services_->WatchProgress([this](bool running) {
        if (running) {
            background_->hold();
            longWork_.start();
        } else {
            background_->release();
            refreshAtOnce_ = longWork_.elapsed() >= captionDelay_.count();
        }
    });
    ws_ =
        std::make_unique<Workspace>(*mergedoc_, *txt_, *services_, static_cast<WindowView&>(*this));
    ws_->arguments = std::move(arguments);
    keeper_ = std::make_unique<RecoveryKeeper>(
        *ws_, defaultRecoveryDir(),
        [this] { return isUnchanged(*mergedoc_, ws_->doc.stored, ws_->modified); },
        timings.recovery);
    // The session ends: the unsaved work goes to its recovery file before the process does.
    sessionEnd_ = std::make_unique<SessionEndWatcher>([this](int) { keeper_->writeNow(); });

    timer1_.setSingleShot(true);
    connect(&timer1_, &QTimer::timeout, this, [this] { setcaption(*ws_); });
    // Between events, a few megabytes at a time: the next undo snapshot of a large document
    // then finds its memory ready.
    stepBetweenEvents(undoWarmer_,
                      [this] { return warmUndoSlot(ws_->undo, *mergedoc_, undoWarmStep_); });
    stepBetweenEvents(gapFollower_,
                      [this] { return mergedoc_->BringGapTowardSelection(gapStep_); });

    buildSearchBar();
    buildMenus();
    strip_ = new ChangeStrip(centralWidget());
    strip_->hide();
    strip_->goTo = [this](Pos start) { goToChange(start); };
    stripTimer_.setSingleShot(true);
    stripTimer_.setInterval(0);
    connect(&stripTimer_, &QTimer::timeout, this, &MainWindow::refreshChangeStrip);
    // Every command may change the marks, whichever way it is started.
    for (QAction* action : menuBar()->findChildren<QAction*>()) {
        connect(action, &QAction::triggered, this, &MainWindow::scheduleChangeStrip);
    }
    // The editing component leaves the menus' keys to them, whichever the menus have.
    const std::vector<QKeyCombination> menuKeys = menuShortcuts(*menuBar());
    mergedoc_->SetMenuKeys(menuKeys);
    txt_->SetMenuKeys(menuKeys);
    const int dpi = logicalDpiX();
    const QSize least(bar_.minClient.width, bar_.minClient.height);
    // The window never gets smaller than what shows every control whole.
    centralWidget()->setMinimumSize(least);
    const int menuHeight = menuBar()->sizeHint().height();
    const QSize client = openingClientSize(
        *this,
        QSize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi) + menuHeight),
        least + QSize(0, menuHeight));
    resize(client);
    formLoad(*ws_);
}

MainWindow::~MainWindow() {
    sessionEnd_.reset();
    keeper_.reset();
    mergedoc_->SetEvents(nullptr);
    mergedoc_->widget()->setParent(nullptr);
}

void MainWindow::buildSearchBar() {
    QWidget* bar = centralWidget();
    const int dpi = logicalDpiX();
    txtFind_ = new QLineEdit(bar);
    cmdFind_ = new QPushButton(tr("F&ind"), bar);
    chkExact_ = new QCheckBox(tr("exact"), bar);
    txtReplace_ = new QLineEdit(bar);
    cmdReplace_ = new QPushButton(tr("&Replace"), bar);
    // Alt+A belongs to the About menu.
    cmdReplaceAll_ = new QPushButton(tr("Replace A&ll"), bar);
    txtGoto_ = new QLineEdit(bar);
    cmdGoto_ = new QPushButton(tr("&Goto"), bar);
    lblmod_ = new QLabel(bar);
    lblmod_->setStyleSheet("color: red");
    // Each control as large as its text needs, in the designed arrangement.
    bar_ = placeSearchBar({txtFind_, cmdFind_, chkExact_, txtReplace_, cmdReplace_, cmdReplaceAll_,
                           txtGoto_, cmdGoto_, lblmod_},
                          dpi);
    mergedoc_->widget()->move(bar_.surfaceLeft, bar_.surfaceTop);

    searchBar_ = new SearchBar(
        *ws_, txtFind_, cmdFind_, chkExact_, txtReplace_, cmdReplace_, cmdReplaceAll_,
        [this] { setundobuffer(ws_->undo, *mergedoc_, ws_->doc.stored, ws_->trackChanges); }, this);
    // Enter in the go-to box presses its button and goes no further.
    connect(txtGoto_, &QLineEdit::returnPressed, this, &MainWindow::gotoButton);
    connect(cmdGoto_, &QPushButton::clicked, this, &MainWindow::gotoButton);
}

QAction* MainWindow::addAction(QMenu* menu, const char* caption, const QKeySequence& keys,
                               void (MainWindow::*slot)()) {
    QAction* a = menu->addAction(tr(caption));
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void MainWindow::buildMenus() {
    mnuFile_ = menuBar()->addMenu(tr("&File"));
    addAction(mnuFile_, "&New", QKeySequence(Qt::CTRL | Qt::Key_N), &MainWindow::newDocument);
    addAction(mnuFile_, "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::openDocument);
    addAction(mnuFile_, "&Print", QKeySequence(), &MainWindow::printDocument);
    addAction(mnuFile_, "&Save", QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::saveDocument);
    addAction(mnuFile_, "Save &As...", QKeySequence(), &MainWindow::saveDocumentAs);
    recentSeparator_ = mnuFile_->addSeparator();
    exitSeparator_ = mnuFile_->addSeparator();
    addAction(mnuFile_, "E&xit", QKeySequence(), &MainWindow::exitProgram);

    mnuEdit_ = menuBar()->addMenu(tr("&Edit"));
    mnuPaste_ =
        addAction(mnuEdit_, "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), &MainWindow::paste);
    mnuCut_ = addAction(mnuEdit_, "&Cut", QKeySequence(Qt::CTRL | Qt::Key_X), &MainWindow::cut);
    mnuCopy_ = addAction(mnuEdit_, "C&opy", QKeySequence(Qt::CTRL | Qt::Key_C), &MainWindow::copy);
    // The keys other programs paste and copy with, so that no paste bypasses the marking.
    mnuPaste_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    mnuCopy_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    mnuUnstrike_ = addAction(mnuEdit_, "&Unstrike", QKeySequence(Qt::CTRL | Qt::Key_U),
                             &MainWindow::unstrikeCommand);
    mnuUndo_ = addAction(mnuEdit_, "Un&do", QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undo);
    mnuEdit_->addSeparator();
    mnuGotoLine_ = addAction(mnuEdit_, "&Goto Line...", QKeySequence(Qt::CTRL | Qt::Key_G),
                             &MainWindow::gotoLineCommand);
    mnuFind_ =
        addAction(mnuEdit_, "&Find", QKeySequence(Qt::CTRL | Qt::Key_F), &MainWindow::askAndFind);
    mnuFindNext_ =
        addAction(mnuEdit_, "Find &Next", QKeySequence(Qt::Key_F3), &MainWindow::findNext);
    mnuFindPrevious_ = addAction(mnuEdit_, "Find &Previous", QKeySequence(Qt::SHIFT | Qt::Key_F3),
                                 &MainWindow::findPrevious);
    mnuEdit_->addSeparator();
    mnuSelectAll_ = addAction(mnuEdit_, "&Select All", QKeySequence(Qt::CTRL | Qt::Key_A),
                              &MainWindow::selectAll);
    // The items show the state each time the menu opens. Closed, they stay enabled so that
    // their shortcuts always reach the commands, which do nothing where nothing applies.
    connect(mnuEdit_, &QMenu::aboutToShow, this, &MainWindow::refreshEditMenu);
    connect(mnuEdit_, &QMenu::aboutToHide, this, [this] {
        for (QAction* a : {mnuPaste_, mnuCut_, mnuCopy_, mnuUnstrike_, mnuUndo_, mnuGotoLine_,
                           mnuFind_, mnuFindNext_, mnuFindPrevious_, mnuSelectAll_}) {
            a->setEnabled(true);
        }
    });

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    addAction(options, "&Compare to...", QKeySequence(), &MainWindow::compareTo);
    mnuTrackChanges_ = addAction(options, "&Track Changes", QKeySequence(Qt::CTRL | Qt::Key_T),
                                 &MainWindow::trackChanges);
    mnuTrackChanges_->setCheckable(true);
    addAction(options, "Next Change", QKeySequence(Qt::Key_F2), &MainWindow::nextChange);
    addAction(options, "Previous Change", QKeySequence(Qt::SHIFT | Qt::Key_F2),
              &MainWindow::previousChange);
    optBlockCheck_ = addAction(options, "&Block Check", QKeySequence(Qt::CTRL | Qt::Key_B),
                               &MainWindow::blockCheck);
    optBlockCheck_->setCheckable(true);
    options->addSeparator();
    optWrap_ = addAction(options, "&Wrap Text", QKeySequence(Qt::CTRL | Qt::Key_W),
                         &MainWindow::toggleWrap);
    optWrap_->setCheckable(true);
    options->addSeparator();
    mnuIndent_ = addAction(options, "&Auto-Indent", QKeySequence(), &MainWindow::autoIndent);
    mnuIndent_->setCheckable(true);
    addAction(options, "Fi&x Indents", QKeySequence(Qt::CTRL | Qt::Key_I), &MainWindow::fixIndents);
    options->addSeparator();
    addAction(options, "Set F&ont...", QKeySequence(), &MainWindow::chooseFont);

    QAction* about = menuBar()->addAction(tr("&About"));
    connect(about, &QAction::triggered, this, &MainWindow::about);
}

void MainWindow::refreshEditMenu() {
    EditMenuInputs in;
    in.clipboard = services_->ClipboardText();
    in.findtext = ws_->search.findtext;
    in.selLength = mergedoc_->SelLength();
    in.selHasStrike = mergedoc_->SelHasStrike();
    in.textEmpty = mergedoc_->TextLength() == 0;
    in.canUndo = ws_->undo.canUndo();
    in.linecount = caretStatus(*mergedoc_).linecount;
    const EditMenuState st = mnuEdit_Click(in);
    mnuPaste_->setText(qs(st.pasteCaption));
    mnuPaste_->setEnabled(st.paste);
    mnuCut_->setEnabled(st.cutCopy);
    mnuCopy_->setEnabled(st.cutCopy);
    mnuUnstrike_->setEnabled(st.unstrike);
    mnuUndo_->setEnabled(st.undo);
    mnuGotoLine_->setEnabled(st.gotoLine);
    mnuSelectAll_->setEnabled(st.find);
    mnuFind_->setEnabled(st.find);
    mnuFindNext_->setEnabled(st.find);
    mnuFindPrevious_->setEnabled(st.find);
    mnuFindNext_->setText(qs(st.findNextCaption));
    mnuFindPrevious_->setText(qs(st.findPreviousCaption));
}

// --- window events

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    layoutSurface();
    if (!shown_) {
        shown_ = true;
        // Once the window is on screen: the command line is handled once per process.
        QTimer::singleShot(0, this, [this] { formActivate(*ws_); });
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (formUnload(*ws_)) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutSurface();
}

void MainWindow::focusInEvent(QFocusEvent* event) {
    QMainWindow::focusInEvent(event);
    mergedoc_->SetFocus();
}

void MainWindow::layoutSurface() {
    if (isMinimized()) return;
    const QSize client = centralWidget()->size();
    const auto rect = surfaceRect(client.width(), client.height(), bar_.surfaceLeft,
                                  bar_.surfaceTop, logicalDpiX());
    if (!rect) return;
    // The change strip's place is kept beside the surface whether it shows or not: a surface
    // that changed width when the first change appeared would lay out every line of the
    // document again (minutes in the background at a gigabyte, and edits meanwhile pull that
    // work back to their line, again and again).
    const int stripWidth = changeStripWidth(*this);
    const int width = std::max(0, rect->width - stripWidth);
    mergedoc_->widget()->setGeometry(rect->left, rect->top, width, rect->height);
    strip_->setGeometry(rect->left + width, rect->top, stripWidth, rect->height);
    mergedoc_->SetRightMargin(rightMarginFor(ws_->settings.wrap));
    fitStatusLabel();
}

void MainWindow::scheduleChangeStrip() {
    if (!stripTimer_.isActive()) stripTimer_.start();
}

void MainWindow::refreshChangeStrip() {
    const std::uint64_t revision = mergedoc_->Revision();
    if (stripKnown_ && revision == stripRevision_) return;
    stripKnown_ = true;
    stripRevision_ = revision;
    std::vector<ChangeTick> ticks =
        changeTicks(mergedoc_->Runs(), [this](Pos pos) { return mergedoc_->GetLineFromChar(pos); });
    const bool show = !ticks.empty();
    const Pos lines = mergedoc_->GetLineFromChar(mergedoc_->TextLength()) + 1;
    strip_->setTicks(std::move(ticks), lines);
    if (show != strip_->isVisibleTo(this)) strip_->setVisible(show);
}

void MainWindow::goToChange(Pos start) {
    mergedoc_->SelectInContext(start, 0);
    mergedoc_->SetFocus();
    ArmTimer();
}

// --- WindowView

void MainWindow::stepBetweenEvents(QTimer& timer, std::function<bool()> step) {
    // Not while long work lets events run: the user waits for that work (a save of 1 GB took
    // a sixth longer with the undo slot prepared beside it), and it holds views of the text
    // that moving the editor's gap would leave pointing elsewhere. Nor between a key and the
    // repaint that shows it.
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [this, &timer, step = std::move(step)] {
        if (services_->InProgress() || background_->awaitingPaint()) return;
        if (!step()) timer.stop();
    });
}

void MainWindow::ArmTimer() {
    // Arming restarts the countdown: the refresh follows the last arming, so a burst of keys
    // costs one refresh. After long work the user has waited longer than the delay already:
    // the caption follows once the command is done and its result painted (the check of a
    // marked gigabyte takes a moment of its own).
    constexpr std::chrono::milliseconds kAfterPaint{50};
    timer1_.start(std::exchange(refreshAtOnce_, false) ? std::min(kAfterPaint, captionDelay_)
                                                       : captionDelay_);
    scheduleChangeStrip();
    if (!undoWarmer_.isActive()) undoWarmer_.start();
    if (!gapFollower_.isActive()) gapFollower_.start();
    keeper_->documentTouched();
}

void MainWindow::SetCaption(const std::string& caption) {
    // Qt reads "[*]" in a title as the place of its modified mark; doubled, it shows as typed.
    setWindowTitle(qs(caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void MainWindow::SetStatusLabel(const std::string& text) {
    scheduleChangeStrip();
    lblmod_->setText(qs(text));
    fitStatusLabel();
}

void MainWindow::fitStatusLabel() {
    // On one line where the window is wide enough, else broken over lines within it.
    const int room =
        centralWidget()->width() - lblmod_->x() - twipsToPixels(kMargin, logicalDpiX());
    setStatusText(lblmod_, lblmod_->text(), room, bar_.controls.lblmod.width);
}

void MainWindow::ShowRecentFiles(const std::vector<RecentItem>& items) {
    for (QAction* a : mnuRecent_) {
        mnuFile_->removeAction(a);
        a->deleteLater();
    }
    mnuRecent_.clear();
    // The first item stays in the menu, captioned and tagged empty, when the list is empty.
    const std::vector<RecentItem> shown = items.empty() ? std::vector<RecentItem>(1) : items;
    for (const RecentItem& item : shown) {
        auto* a = new QAction(qs(item.caption), mnuFile_);
        const std::string path = item.tag;
        connect(a, &QAction::triggered, this, [this, path] {
            if (!path.empty()) openfile(*ws_, path);
        });
        mnuFile_->insertAction(exitSeparator_, a);
        mnuRecent_.push_back(a);
    }
}

std::string MainWindow::GotoText() const {
    return txtGoto_->text().toStdString();
}

void MainWindow::SetGotoText(const std::string& text) {
    txtGoto_->setText(qs(text));
}

void MainWindow::FocusGotoBoxSelectingAll() {
    txtGoto_->setFocus();
    txtGoto_->selectAll();
}

void MainWindow::OptionsChanged() {
    optWrap_->setChecked(ws_->settings.wrap);
    mnuIndent_->setChecked(ws_->settings.autoIndent);
    mnuTrackChanges_->setChecked(ws_->trackChanges);
    optBlockCheck_->setChecked(ws_->blockCheck);
    scheduleChangeStrip();
}

void MainWindow::DocumentOpened() {
    keeper_->documentOpened();
    scheduleChangeStrip();
}
void MainWindow::DocumentSaved() {
    keeper_->documentSaved();
    scheduleChangeStrip();
}
void MainWindow::DocumentClosed() {
    keeper_->documentClosed();
}

// --- SurfaceEvents

void MainWindow::Change() {
    scheduleChangeStrip();
    mergedoc_Change(*ws_);
    keeper_->documentTouched();
}
void MainWindow::KeyDown(int& keyCode, int shift) {
    mergedoc_KeyDown(*ws_, keyCode, shift);
}
void MainWindow::KeyPress(int& keyAscii) {
    mergedoc_KeyPress(*ws_, keyAscii);
}
void MainWindow::KeyUp(int& /*keyCode*/, int /*shift*/) {
    mergedoc_KeyUp(*ws_);
}
void MainWindow::MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {
    mergedoc_MouseUp(*ws_);
}

void MainWindow::FilesDropped(const std::vector<std::string>& paths) {
    if (!paths.empty()) openfile(*ws_, paths.front());
}

void MainWindow::PasteSelection(const std::string& utf8) {
    pasteText(*ws_, utf8);
}

void MainWindow::reportOutOfMemory() {
    ws_->mergedoc.SetEnabled(true);
    services_->EndProgress();
    services_->SetBusy(false);
    services_->MessageBox("Not enough memory to finish the command", Buttons::Ok, Icon::None);
}

void MainWindow::ReadOnlyRefused() {
    refuseEdit(*ws_);
}

// --- commands

void MainWindow::exitProgram() {
    close();
}
void MainWindow::newDocument() {
    mnuNew_Click(*ws_);
}
void MainWindow::openDocument() {
    mnuOpen_Click(*ws_);
}
void MainWindow::saveDocument() {
    savefile(*ws_, ws_->doc.filename);
}
void MainWindow::saveDocumentAs() {
    savefileas(*ws_);
}
void MainWindow::printDocument() {
    mnuPrint_Click(*ws_);
}
void MainWindow::gotoLineCommand() {
    if (caretStatus(*mergedoc_).linecount > 1) mnuGotoLine_Click(*ws_);
}
void MainWindow::gotoButton() {
    cmdGoto_Click(*ws_);
}
void MainWindow::toggleWrap() {
    optWrap_Click(*ws_);
}
void MainWindow::chooseFont() {
    mnuFont_Click(*ws_);
}

void MainWindow::undo() {
    mnuUndo_Click(*ws_);
}

void MainWindow::cut() {
    mnuCut_Click(*ws_);
}
void MainWindow::copy() {
    mnuCopy_Click(*ws_);
}
void MainWindow::paste() {
    plainPaste(*ws_);
}
void MainWindow::unstrikeCommand() {
    unstrike(*ws_);
}
void MainWindow::compareTo() {
    mnuCompareTo_Click(*ws_);
}
void MainWindow::trackChanges() {
    mnuTrackChanges_Click(*ws_);
}
void MainWindow::nextChange() {
    findnextchange(*ws_, false);
}
void MainWindow::previousChange() {
    findpreviouschange(*ws_, false);
}
void MainWindow::blockCheck() {
    optBlockCheck_Click(*ws_);
}
void MainWindow::askAndFind() {
    searchBar_->askAndFind();
}
void MainWindow::findNext() {
    searchBar_->findNext();
}
void MainWindow::findPrevious() {
    searchBar_->findPrevious();
}
void MainWindow::autoIndent() {
    searchBar_->toggleAutoIndent();
}
void MainWindow::fixIndents() {
    searchBar_->fixIndents();
}
void MainWindow::selectAll() {
    textgotochar(*mergedoc_, 0, mergedoc_->TextLength());
    ArmTimer();
}

void MainWindow::about() {
    services_->MessageBox(
        std::string(kProgramName) + " ver. " + kVersion +
            ", a plain-text editor written by the Scrivane developers "
            "as an alternative to Edit and Notepad, which, although useful tools, are limited in "
            "their ability to go to specific lines and mark changes in text documents. Note that "
            "the command line may contain both a file name AND a line number to go to (add -p "
            "for character to go to instead).",
        Buttons::Ok, Icon::None);
}

}  // namespace scrivane
