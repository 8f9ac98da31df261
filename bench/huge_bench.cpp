// Files of a gigabyte and more in the real window (offscreen platform, default settings):
// what the user waits for. Release build:
//   build/bench/bench/huge_bench [--sizes 1000,2500] [--dir PATH] [--keep] [--file PATH]
// It writes files of 66-byte lines of the given sizes in MB (1000: 15,151,515 lines) into
// --dir (a temporary directory by default; --keep keeps them, and a file of the right size
// already there is used again), or measures the one file --file names. A size is skipped
// when the disk has less than the file and 1 GB free, or /proc/meminfo less than three files
// available. Every case runs in a fresh process, so that its peak memory is its own; a case
// that crashes or stays silent for five minutes prints "crashed (signal N)" or "timed out" for
// the step it was in.
//
// One line per file with Wrap Text on, then one with it off (the opening figures alone).
// Times in ms, each beside its ratio to `wc -l` reading the same file (from the page cache,
// as the editor reads it):
//   caption  from the command `scrivane FILE` until the caption names the file and "line 1/"
//   goto     `scrivane FILE:15000000` (3/4 of the lines in a shorter file) until the caption
//            says "line 15000000/" and the window has painted
//   c+end, c+home  Ctrl+End, then Ctrl+Home, right after the caption: from the key until the
//            window has repainted
//   idle     until the event loop first waits with nothing to do (wrapping in the
//            background done; "timed out" after 5 minutes)
//   f3       a word the file does not hold typed into the find box, then Enter: until the
//            "nothing found" box appears, the whole document searched
//   key      a typed letter after f3, until repainted (the first of a typing run: it takes
//            the undo snapshot)
//   key-mid  Ctrl+G to the middle line, a pause of 300 ms, then a letter: until repainted
//            (a note gives the same to 3/4 of the lines, with no pause)
//   track    Ctrl+T, then 1000 edits at random lines (Ctrl+G, the line number, Enter, End, a
//            letter) with the event loop running between keys: the time of all of them
//   save     Ctrl+S until the window answers again, the file written and flushed; done
//            last, on a copy unless the file is a generated one that is not kept
//   retrack  1000 scattered edits made with Track Changes off (not timed), then Ctrl+T: until
//            the window answers, the edits compared with the text as opened and marked
//   compare  Compare to with a copy of the file changed in 1000 scattered places (a word
//            replaced, inserted or taken out): from choosing the file in the dialog until the
//            label tells the differences found and the window has painted
//   peak     peak resident memory in MB after opening (at idle, before any edit), then at
//            the end (after saving; without edits, after f3), after retrack and after
//            compare, each beside its ratio to the file
// A file over 2 GiB opens read-only: its editing keys are refused, so key, track and save
// are not measured and the line says "read-only".
//
// Targets: caption <= 3000, goto <= 3500, c+end and c+home <= 300, key <= 16, f3 <= 1000,
// track <= 5000, save <= 3000; peak after opening <= 2.5x the file with Wrap Text on and <= 2x
// with it off, after Compare to <= 4x. Nothing is asserted: it only prints.
#include <sys/statvfs.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_text.h"
#include "window_timing.h"

namespace scrivane {
namespace {

constexpr std::size_t kLineBytes = 66;
constexpr std::size_t kGotoLine = 15'000'000;
constexpr int kEdits = 1000;
constexpr std::uintmax_t kGb = 1'000'000'000;
// Larger files open read-only.
constexpr std::uintmax_t kReadOnlyAbove = std::uintmax_t{2} << 30;
// Not one of benchWords' words, nor likely in any text.
constexpr const char* kAbsentWord = "qzxjvwk";

// ---- The child: one case, reported line by line on standard output ----
//   step NAME         a step begins (a crash or silence from here on is charged to it)
//   value NAME TEXT   its figure (ms or MB), or why there is none
//   note TEXT         anything else worth reading

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void step(const std::string& name) {
    say("step " + name);
}

void value(const std::string& name, double figure) {
    say("value " + name + " " + std::to_string(figure));
}

void noValue(const std::string& name, const std::string& why) {
    say("value " + name + " " + why);
}

// A wait on `clock` that may have timed out (negative).
void waited(const std::string& name, double ms) {
    if (ms < 0) {
        noValue(name, "timed out");
    } else {
        value(name, ms);
    }
}

// Closes every dialog as a user would, noting its text. While one is expected it looks every
// millisecond and notes when it appeared. Told a file to choose, it answers a file dialog
// with it instead, and notes when.
class DialogWatch {
  public:
    DialogWatch() {
        timer_.setInterval(40);
        QObject::connect(&timer_, &QTimer::timeout, [this] { check(); });
        timer_.start();
    }
    void expect() {
        text.clear();
        appearedMs = -1;
        expecting_ = true;
        clock_.start();
        timer_.setInterval(1);
    }
    void settle() {
        expecting_ = false;
        timer_.setInterval(40);
    }
    void choose(const QString& path) {
        file_ = path;
        timer_.setInterval(1);
    }
    std::string text;
    double appearedMs = -1;
    QElapsedTimer chosen;  // started when the file was chosen

  private:
    void check() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        if (auto* files = qobject_cast<QFileDialog*>(modal); files != nullptr && !file_.isEmpty()) {
            files->selectFile(file_);
            chosen.start();
            static_cast<QDialog*>(files)->accept();
            return;
        }
        const auto* box = qobject_cast<QMessageBox*>(modal);
        text = box != nullptr ? box->text().toStdString() : "a dialog";
        if (expecting_ && appearedMs < 0) appearedMs = msSince(clock_);
        if (!expecting_) say("note dialog closed: " + text);
        modal->close();
    }
    QTimer timer_;
    QElapsedTimer clock_;
    bool expecting_ = false;
    QString file_;
};

QLineEdit* searchBarBox(MainWindow& window, int index) {
    // The find box, the replace box and the go-to box, as the search bar lays them out.
    return window.centralWidget()
        ->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly)
        .value(index);
}

void activate(QWidget& window) {
    // Menu shortcuts go to the active window only.
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) say("note the window did not become active");
}

// A key as the user presses it: the event loop runs after it.
void type(QWidget* widget, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(widget, static_cast<Qt::Key>(key), mods);
    QCoreApplication::processEvents();
}

struct ChildArgs {
    std::string path;
    bool wrap = true;
    bool readOnly = false;
    std::size_t gotoLine = 1;
    std::size_t lines = 1;  // line breaks in the file
};

// Until the window has painted and its caption names the file and the line; false (reported,
// with the caption it has) when that never came.
bool openToCaption(Opening& opening, const std::string& name) {
    if (opening.painted && opening.waitForCaption()) return true;
    noValue(name, "timed out");
    say("note " + name + " timed out with the caption \"" +
        opening.shown->window.windowTitle().toStdString() + "\"" +
        (opening.painted ? "" : ", nothing painted"));
    return false;
}

// The window on `a.path` as `scrivane FILE` opens it, once its caption names the file, made
// active for keys; null (reported under `name`) when the caption never came.
std::unique_ptr<Opening> openActive(const ChildArgs& a, const std::string& name) {
    step(name);
    auto opening = std::make_unique<Opening>(a.path, std::vector<std::string>{a.path}, a.wrap, 1);
    if (!openToCaption(*opening, name)) return nullptr;
    activate(opening->shown->window);
    return opening;
}

// Types a word the file does not hold into the find box and presses Enter: the time until
// the box saying nothing was found appears.
void findAbsentWord(Shown& shown, DialogWatch& dialogs) {
    QLineEdit* box = searchBarBox(shown.window, 0);
    box->setFocus();
    QTest::keyClicks(box, kAbsentWord);
    QCoreApplication::processEvents();
    dialogs.expect();
    QTest::keyClick(box, Qt::Key_Return);
    if (dialogs.appearedMs < 0) {
        noValue("f3", "no answer");
    } else {
        value("f3", dialogs.appearedMs);
        if (dialogs.text.find("Nothing was found") == std::string::npos)
            say("note f3 answered: " + dialogs.text);
    }
    dialogs.settle();
}

// Keys typed as a user types them: the event loop runs a while between them (at 1 GB the
// window still wraps in the background), and each is timed from the key until the surface has
// painted it. The figure is the slowest: the key a user feels. The first takes the undo
// snapshot.
void typeKeys(Shown& shown) {
    constexpr int kKeys = 24;
    std::mt19937 rng(5);
    std::vector<double> ms;
    for (int i = 0; i < kKeys; ++i) {
        const int after = std::uniform_int_distribution<int>(0, 60)(rng);
        ms.push_back(shown.typed(i == 0 ? Qt::Key_X : Qt::Key_Y, after));
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    value("key", ms.back());
    char note[96];
    std::snprintf(note, sizeof note, "keys: the first %.0f ms, median %.0f ms, slowest %.0f ms",
                  first, ms[ms.size() / 2], ms.back());
    say(std::string("note ") + note);
}

// Ctrl+G to `line`, a user's pause of `pauseMs`, then a key: timed from the key until the
// surface has painted it. Far from where the last edit was, the key's edit would first move
// the editor's gap there.
double typeAfterJump(Shown& shown, std::size_t line, int pauseMs) {
    QLineEdit* gotoBox = searchBarBox(shown.window, 2);
    type(shown.surface.widget(), Qt::Key_G, Qt::ControlModifier);
    QTest::keyClicks(gotoBox, QString::number(line));
    type(gotoBox, Qt::Key_Return);
    return shown.typed(Qt::Key_Z, pauseMs);
}

void runOpen(const ChildArgs& a) {
    DialogWatch dialogs;
    step("caption");
    Opening opening(a.path, {a.path}, a.wrap, 1);
    if (!openToCaption(opening, "caption")) return;
    value("caption", opening.captionMs);
    Shown& shown = *opening.shown;
    activate(shown.window);
    if (a.wrap) {
        step("c+end");
        value("c+end", shown.press(Qt::Key_End, Qt::ControlModifier));
        step("c+home");
        value("c+home", shown.press(Qt::Key_Home, Qt::ControlModifier));
    }
    step("idle");
    waited("idle", runUntilIdle(*shown.surface.editor(), opening.clock));
    value("peak-open", peakRssMb());
    if (!a.wrap) return;
    step("f3");
    findAbsentWord(shown, dialogs);
    QElapsedTimer unused;
    unused.start();
    runUntilIdle(*shown.surface.editor(), unused);
    if (a.readOnly) {
        value("peak-end", peakRssMb());
        return;
    }
    step("key");
    typeKeys(shown);
    step("key-mid");
    value("key-mid", typeAfterJump(shown, a.lines / 2, 300));
    step("key-three-quarters");
    char note[80];
    std::snprintf(note, sizeof note, "a key right after Ctrl+G to 3/4 of the lines: %.0f ms",
                  typeAfterJump(shown, a.lines / 4 * 3, 0));
    say(std::string("note ") + note);
}

void runGoto(const ChildArgs& a) {
    DialogWatch dialogs;
    step("goto");
    const std::string line = std::to_string(a.gotoLine);
    Opening opening(a.path, {a.path + ":" + line}, a.wrap, a.gotoLine);
    if (!openToCaption(opening, "goto")) return;
    // The view as it stands once the caption has come: painted.
    opening.shown->untilPainted([] {});
    value("goto", msSince(opening.clock));
}

// Ctrl+T, edits at random lines through the go-to box, then Ctrl+S. The document must have
// grown by one byte per edit, and the file as saved too.
void runEdits(const ChildArgs& a) {
    DialogWatch dialogs;
    const std::unique_ptr<Opening> opening = openActive(a, "track");
    if (!opening) return;
    Shown& shown = *opening->shown;
    QsciScintillaBase& editor = *shown.surface.editor();
    // A user does not wait for the background wrapping (minutes at 1 GB) before editing.
    if (runUntilIdle(editor, opening->clock) < 0)
        say("note the editor was still wrapping in the background when the edits began");
    QWidget* surface = shown.surface.widget();
    QLineEdit* gotoBox = searchBarBox(shown.window, 2);
    const auto before = shown.surface.TextLength();
    std::mt19937 rng(11);
    QElapsedTimer clock;
    clock.start();
    type(surface, Qt::Key_T, Qt::ControlModifier);
    const double trackOnMs = msSince(clock);
    for (int i = 0; i < kEdits; ++i) {
        type(surface, Qt::Key_G, Qt::ControlModifier);
        if (i == 0 && QApplication::focusWidget() != gotoBox)
            say("note Ctrl+G left the focus elsewhere than in the go-to box");
        QTest::keyClicks(gotoBox, QString::number(1 + rng() % a.lines));
        type(gotoBox, Qt::Key_Return);
        type(surface, Qt::Key_End);
        type(surface, Qt::Key_A + i % 26);
    }
    const double editsMs = msSince(clock) - trackOnMs;
    value("track", msSince(clock));
    if (runUntilIdle(editor, clock) < 0) say("note the editor still wrapped after the edits");
    char split[96];
    std::snprintf(split, sizeof split, "Ctrl+T %.0f ms, then %.1f ms an edit", trackOnMs,
                  editsMs / kEdits);
    say(std::string("note ") + split);
    const auto added = shown.surface.TextLength() - before;
    if (added != kEdits) say("note the edits added " + std::to_string(added) + " bytes");

    const auto fileBefore = std::filesystem::file_size(a.path);
    step("save");
    // Saving holds the window until the file is written and flushed (its progress bar shows
    // meanwhile); the wrapping of the edited lines may go on after it.
    clock.start();
    type(surface, Qt::Key_S, Qt::ControlModifier);
    value("save", msSince(clock));
    const auto grown = static_cast<std::intmax_t>(std::filesystem::file_size(a.path)) -
                       static_cast<std::intmax_t>(fileBefore);
    if (grown != kEdits) say("note the saved file grew by " + std::to_string(grown) + " bytes");
    value("peak-end", peakRssMb());
}

// kEdits scattered edits made with Track Changes off (straight into the text, a letter at the
// start of a line, from the end up so that the component's gap has little way to go: not
// timed), then Ctrl+T until the window answers: the edits compared with the text as opened and
// marked.
void runRetrack(const ChildArgs& a) {
    DialogWatch dialogs;
    const std::unique_ptr<Opening> opening = openActive(a, "retrack");
    if (!opening) return;
    Shown& shown = *opening->shown;
    ScintillaSurface& text = shown.surface;
    std::mt19937 rng(12);
    std::vector<Pos> near;
    for (int i = 0; i < kEdits; ++i)
        near.push_back(static_cast<Pos>(rng() % static_cast<std::uint64_t>(text.TextLength())));
    std::sort(near.begin(), near.end(), std::greater<>());
    int made = 0;
    for (const Pos p : near) {
        const std::string_view window = text.TextRange(p, 512);
        const std::size_t lf = window.find('\n');
        if (lf == std::string_view::npos) continue;
        text.InsertAt(p + static_cast<Pos>(lf) + 1, "x", Marking{});
        ++made;
    }
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    type(text.widget(), Qt::Key_T, Qt::ControlModifier);
    value("retrack", msSince(clock));
    if (!shown.ws.trackChanges) say("note Ctrl+T left Track Changes off");
    if (made != kEdits) say("note " + std::to_string(made) + " edits made for Ctrl+T");
    value("peak-retrack", peakRssMb());
}

// The file to compare with, which the parent made beside the case.
constexpr const char* kOtherFileVariable = "HUGE_BENCH_OTHER";

// Compare to, the file chosen in its dialog as a user would: timed from that choice until
// the differences are on show.
void runCompare(const ChildArgs& a) {
    DialogWatch dialogs;
    const std::unique_ptr<Opening> opening = openActive(a, "compare");
    if (!opening) return;
    Shown& shown = *opening->shown;
    const QString other = qEnvironmentVariable(kOtherFileVariable);
    QAction* compareTo = nullptr;
    for (QAction* action : shown.window.findChildren<QAction*>()) {
        if (action->text() == "&Compare to...") compareTo = action;
    }
    if (compareTo == nullptr || other.isEmpty()) {
        noValue("compare", "no Compare to command or no file to compare with");
        return;
    }
    dialogs.choose(other);
    compareTo->trigger();
    // The label beside the search bar tells the count when the comparison is on show.
    QLabel* label = nullptr;
    const bool shownCount = runUntil([&] {
        for (QLabel* l : shown.window.findChildren<QLabel*>()) {
            if (l->text().contains(" found.")) label = l;
        }
        return label != nullptr;
    });
    const QElapsedTimer& clock = dialogs.chosen;
    if (!clock.isValid() || !shownCount) {
        noValue("compare", "no answer");
        return;
    }
    shown.untilPainted([] {});
    value("compare", msSince(clock));
    say("note compare: " + label->text().toStdString());
    // Between events the window prepares the next undo snapshot: part of what Compare to costs.
    // Given the time a user takes to look at the result, not the minutes that wrapping a
    // gigabyte in the background takes.
    constexpr double kLooking = 20'000;
    runUntilIdle(*shown.surface.editor(), clock, kLooking);
    value("peak-compare", peakRssMb());
}

// argv: --child KIND PATH MODE HOME GOTO-LINE LINES
int runChild(char** argv) {
    const std::string kind = argv[2];
    const std::string mode = argv[4];
    const ChildArgs a{argv[3], mode.find("wrap") != std::string::npos,
                      mode.find("read-only") != std::string::npos, std::stoul(argv[6]),
                      std::max<std::size_t>(1, std::stoul(argv[7]))};
    if (kind == "open") {
        runOpen(a);
    } else if (kind == "goto") {
        runGoto(a);
    } else if (kind == "retrack") {
        runRetrack(a);
    } else if (kind == "compare") {
        runCompare(a);
    } else {
        runEdits(a);
    }
    say("done");
    // The document may be edited: leave without the save question.
    std::_Exit(0);
}

// ---- The parent: files, wc -l, the cases, the lines ----

// Each step's figure as the child gave it, or what became of the child in that step.
using Figures = std::map<std::string, std::string>;

struct Case {
    QString kind;
    QString mode;
    // Charged with whatever becomes of the child before it names a step.
    std::string firstStep;
};

void runCase(const Case& c, const std::string& path, const std::string& home, std::size_t gotoLine,
             std::size_t lines, Figures& figures, std::vector<std::string>& notes) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {"--child", c.kind, QString::fromStdString(path), c.mode,
                 QString::fromStdString(home), QString::number(gotoLine), QString::number(lines)});
    std::string current = c.firstStep;
    bool done = false;
    const auto take = [&](const std::string& line) {
        if (line.rfind("step ", 0) == 0) {
            current = line.substr(5);
        } else if (line.rfind("value ", 0) == 0) {
            const auto space = line.find(' ', 6);
            figures[line.substr(6, space - 6)] = line.substr(space + 1);
        } else if (line.rfind("note ", 0) == 0) {
            notes.push_back(c.kind.toStdString() + ": " + line.substr(5));
        } else if (line == "done") {
            done = true;
        }
    };
    // The child itself gives up on a wait after kPatience; a child stuck outside the event
    // loop is stopped a little later.
    const qint64 patience = static_cast<qint64>(kPatience) + 30'000;
    QElapsedTimer quiet;
    quiet.start();
    for (;;) {
        while (child.canReadLine()) {
            take(child.readLine().trimmed().toStdString());
            quiet.restart();
        }
        if (child.state() == QProcess::NotRunning) break;
        if (quiet.elapsed() > patience) {
            child.kill();
            child.waitForFinished(-1);
            figures[current] = "timed out";
            return;
        }
        child.waitForReadyRead(1000);
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty()) take(line.trimmed().toStdString());
    }
    if (child.exitStatus() == QProcess::CrashExit) {
        figures[current] = "crashed (signal " + std::to_string(child.exitCode()) + ")";
    } else if (!done) {
        figures[current] = "ended (exit " + std::to_string(child.exitCode()) + ")";
    }
}

std::uintmax_t freeDisk(const std::string& dir) {
    struct statvfs fs {};
    if (statvfs(dir.c_str(), &fs) != 0) return 0;
    return static_cast<std::uintmax_t>(fs.f_bavail) * fs.f_frsize;
}

std::uintmax_t availableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        if (line.rfind("MemAvailable:", 0) == 0) return std::stoull(line.substr(13)) * 1024;
    }
    return 0;
}

// Why a file of `bytes` cannot be measured here, or nothing.
std::optional<std::string> lacking(std::uintmax_t bytes, const std::string& dir) {
    char why[160];
    if (const auto disk = freeDisk(dir); disk < bytes + kGb) {
        std::snprintf(why, sizeof why, "%.1f GB free on the disk, %.1f GB needed",
                      static_cast<double>(disk) / 1e9, static_cast<double>(bytes + kGb) / 1e9);
        return why;
    }
    if (const auto memory = availableMemory(); memory < 3 * bytes) {
        std::snprintf(why, sizeof why, "%.1f GB of memory available, %.1f GB needed",
                      static_cast<double>(memory) / 1e9, static_cast<double>(3 * bytes) / 1e9);
        return why;
    }
    return std::nullopt;
}

// Written a chunk at a time: the whole file never sits in memory. False on a write error.
bool writeLines(const std::string& path, std::size_t lines) {
    constexpr std::size_t kChunk = 100'000;
    std::ofstream out(path, std::ios::binary);
    unsigned seed = 42;
    for (std::size_t done = 0; done < lines && out; done += kChunk)
        out << benchWords(std::min(kChunk, lines - done), kLineBytes, seed++);
    out.close();
    return !out.fail();
}

// A copy of `path` changed in kEdits scattered places: a word replaced, a word inserted or a
// few bytes taken out, each at a line's start. Written a piece at a time. False on an error.
bool writeChangedCopy(const std::string& path, const std::string& copy) {
    const auto size = std::filesystem::file_size(path);
    std::mt19937_64 rng(7);
    std::vector<std::uintmax_t> places;
    for (int i = 0; i < kEdits; ++i) places.push_back(rng() % size);
    std::sort(places.begin(), places.end());
    std::ifstream in(path, std::ios::binary);
    std::ofstream out(copy, std::ios::binary);
    std::vector<char> piece(1 << 20);
    std::uintmax_t at = 0;
    const auto copyUpTo = [&](std::uintmax_t end) {
        while (at < end && in) {
            const auto n =
                static_cast<std::streamsize>(std::min<std::uintmax_t>(piece.size(), end - at));
            in.read(piece.data(), n);
            out.write(piece.data(), in.gcount());
            at += static_cast<std::uintmax_t>(in.gcount());
        }
    };
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (places[i] < at) continue;
        copyUpTo(places[i]);
        // On to the next line's start.
        for (char c = 0; in.get(c);) {
            out.put(c);
            ++at;
            if (c == '\n') break;
        }
        if (i % 3 != 2) out << (i % 3 == 0 ? "CHANGED " : "inserted ");
        if (i % 3 != 1) {  // the line's first bytes replaced, or only taken out
            in.ignore(5);
            at += static_cast<std::uintmax_t>(in.gcount());
        }
    }
    copyUpTo(size);
    out.close();
    return !out.fail() && !in.bad();
}

// Reads the file once so that it is in the page cache, for wc and for the editor alike.
void warmUp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(4 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
}

struct WcRun {
    double ms = -1;
    std::size_t breaks = 0;
};

WcRun timeWc(const std::string& path) {
    QProcess wc;
    QElapsedTimer t;
    t.start();
    wc.start("/usr/bin/wc", {"-l", QString::fromStdString(path)});
    if (!wc.waitForFinished(-1) || wc.exitCode() != 0) return {};
    WcRun run{msSince(t), 0};
    std::istringstream(wc.readAllStandardOutput().toStdString()) >> run.breaks;
    return run;
}

std::string timeCell(const Figures& f, const std::string& name, double wcMs) {
    const auto it = f.find(name);
    if (it == f.end()) return name + " -";
    char cell[96];
    try {
        const double ms = std::stod(it->second);
        const double ratio = ms / wcMs;
        std::snprintf(cell, sizeof cell, ratio < 10 ? "%s %.0f ms %.2fx" : "%s %.0f ms %.1fx",
                      name.c_str(), ms, ratio);
    } catch (const std::exception&) {
        std::snprintf(cell, sizeof cell, "%s %s", name.c_str(), it->second.c_str());
    }
    return cell;
}

std::string peakCell(const Figures& f, const std::string& name, double fileMiB) {
    const auto it = f.find(name);
    if (it == f.end()) return name + " -";
    char cell[96];
    try {
        const double mb = std::stod(it->second);
        std::snprintf(cell, sizeof cell, "%s %.0f MB %.2fx", name.c_str(), mb, mb / fileMiB);
    } catch (const std::exception&) {
        std::snprintf(cell, sizeof cell, "%s %s", name.c_str(), it->second.c_str());
    }
    return cell;
}

void printLine(const char* label, const std::vector<std::string>& cells) {
    std::string line = label;
    for (std::size_t i = 0; i < cells.size(); ++i) line += (i == 0 ? "  " : " | ") + cells[i];
    say(line);
}

struct Run {
    std::string scratch;  // homes and copies
    int cases = 0;
};

// Every case for one file; `editable` is the file the edits may change (the file itself, or a
// copy), empty when there is none.
void measure(const std::string& path, const std::string& editable, Run& run) {
    const auto bytes = std::filesystem::file_size(path);
    const bool readOnly = bytes > kReadOnlyAbove;
    warmUp(path);
    const WcRun wc = timeWc(path);
    if (wc.ms < 0) {
        say("  wc -l failed on " + path);
        return;
    }
    const std::size_t target =
        wc.breaks >= kGotoLine ? kGotoLine : std::max<std::size_t>(1, wc.breaks * 3 / 4);
    const double mib = fileMb(path);
    std::printf("%s: %.0f MB, %zu line breaks, wc -l %.0f ms, goto line %zu%s\n", path.c_str(),
                static_cast<double>(bytes) / 1e6, wc.breaks, wc.ms, target,
                readOnly ? ", read-only (over 2 GiB)" : "");
    std::fflush(stdout);

    std::vector<std::string> notes;
    const auto home = [&] { return run.scratch + "/home" + std::to_string(++run.cases); };
    const QString on = readOnly ? "wrap+read-only" : "wrap";
    Figures wrapped;
    Figures unwrapped;
    runCase({"open", on, "caption"}, path, home(), target, wc.breaks, wrapped, notes);
    runCase({"goto", on, "goto"}, path, home(), target, wc.breaks, wrapped, notes);
    runCase({"open", readOnly ? "off+read-only" : "off", "caption"}, path, home(), target,
            wc.breaks, unwrapped, notes);
    runCase({"goto", "off", "goto"}, path, home(), target, wc.breaks, unwrapped, notes);
    if (!readOnly) {
        runCase({"retrack", on, "retrack"}, path, home(), target, wc.breaks, wrapped, notes);
        const std::string other = run.scratch + "/changed-copy";
        if (writeChangedCopy(path, other)) {
            qputenv(kOtherFileVariable, QByteArray::fromStdString(other));
            warmUp(other);
            runCase({"compare", on, "compare"}, path, home(), target, wc.breaks, wrapped, notes);
        } else {
            notes.push_back("compare: the changed copy could not be written");
        }
        std::filesystem::remove(other);
    }
    // Last: the save may change the file itself.
    if (!readOnly && !editable.empty()) {
        warmUp(editable);
        runCase({"edit", on, "track"}, editable, home(), target, wc.breaks, wrapped, notes);
    }

    std::vector<std::string> cells;
    for (const char* name : {"caption", "goto", "c+end", "c+home", "idle", "f3"})
        cells.push_back(timeCell(wrapped, name, wc.ms));
    if (readOnly) {
        cells.emplace_back("read-only");
    } else {
        for (const char* name : {"key", "key-mid", "track", "save", "retrack", "compare"})
            cells.push_back(timeCell(wrapped, name, wc.ms));
    }
    cells.push_back(peakCell(wrapped, "peak-open", mib));
    cells.push_back(peakCell(wrapped, "peak-end", mib));
    if (!readOnly) {
        cells.push_back(peakCell(wrapped, "peak-retrack", mib));
        cells.push_back(peakCell(wrapped, "peak-compare", mib));
    }
    printLine("  wrap on ", cells);
    cells.clear();
    for (const char* name : {"caption", "goto", "idle"})
        cells.push_back(timeCell(unwrapped, name, wc.ms));
    cells.push_back(peakCell(unwrapped, "peak-open", mib));
    if (readOnly) cells.emplace_back("read-only");
    printLine("  wrap off", cells);
    for (const std::string& note : notes) say("  note " + note);
}

std::vector<int> parseSizes(const std::string& list) {
    std::vector<int> sizes;
    std::istringstream in(list);
    std::string one;
    while (std::getline(in, one, ',')) sizes.push_back(std::stoi(one));
    return sizes;
}

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 8 && std::string(argv[1]) == "--child") {
        useFreshHome(argv[5]);
        QApplication app(argc, argv);
        return runChild(argv);
    }
    QCoreApplication app(argc, argv);
    std::vector<int> sizes{1000, 2500};
    std::string dir;
    std::string file;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--keep") {
            keep = true;
        } else if (arg == "--sizes" && i + 1 < argc) {
            sizes = parseSizes(argv[++i]);
        } else if (arg == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else if (arg == "--file" && i + 1 < argc) {
            file = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: huge_bench [--sizes MB,MB...] [--dir PATH] [--keep] [--file "
                         "PATH]\n");
            return 2;
        }
    }
    QTemporaryDir scratch;
    QTemporaryDir made;
    if (dir.empty()) dir = made.path().toStdString();
    Run run{scratch.path().toStdString()};
    std::printf(
        "ms and their ratio to wc -l; peak MB and their ratio to the file. Targets: caption "
        "<= 3000, goto <= 3500,\nc+end, c+home <= 300, key <= 16, f3 <= 1000, track <= 5000, "
        "save <= 3000, peak-open <= 2.5x (wrap on), <= 2x (off), peak-compare <= 4x\n");

    // The edits change the file they open: a file that stays afterwards is edited as a copy.
    const auto copyToEdit = [&](const std::string& path) -> std::string {
        const auto bytes = std::filesystem::file_size(path);
        if (bytes > kReadOnlyAbove) return {};
        if (const auto why = lacking(2 * bytes, run.scratch)) {
            say("no copy of " + path + " to edit: " + *why);
            return {};
        }
        const std::string copy =
            run.scratch + "/" + std::filesystem::path(path).filename().string();
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    };

    if (!file.empty()) {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(file, error);
        if (error) {
            std::fprintf(stderr, "huge_bench: %s: %s\n", file.c_str(), error.message().c_str());
            return 2;
        }
        if (const auto why = lacking(bytes, run.scratch)) {
            say("skipped " + file + ": " + *why);
            return 0;
        }
        const std::string copy = copyToEdit(file);
        measure(file, copy, run);
        if (!copy.empty()) std::filesystem::remove(copy);
        return 0;
    }
    std::filesystem::create_directories(dir);
    for (const int mb : sizes) {
        const std::size_t lines = static_cast<std::size_t>(mb) * 1'000'000 / kLineBytes;
        const std::uintmax_t bytes = lines * kLineBytes;
        const std::string path = dir + "/huge" + std::to_string(mb) + ".txt";
        std::error_code error;
        const bool there = std::filesystem::file_size(path, error) == bytes && !error;
        if (const auto why = lacking(bytes, dir)) {
            say("skipped " + std::to_string(mb) + " MB: " + *why);
            continue;
        }
        if (!there && !writeLines(path, lines)) {
            say("skipped " + std::to_string(mb) + " MB: cannot write " + path);
            std::filesystem::remove(path, error);
            continue;
        }
        // A file made for this run alone is edited and saved itself, then goes.
        const bool stays = keep || there;
        const std::string editable = stays ? copyToEdit(path) : path;
        measure(path, editable, run);
        if (stays && !editable.empty()) std::filesystem::remove(editable);
        if (!stays) std::filesystem::remove(path);
    }
    return 0;
}
