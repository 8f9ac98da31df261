// Change tracking on a shown editing surface (offscreen platform), Wrap Text on (the
// default), Release build. Each figure runs from the command until the event loop is idle again:
//   build/bench/bench/tracking_bench
// Ctrl+T on and off over a 100 MB document of 1.5 million lines with 100 scattered edits,
// tracked keys, Next Change to a change at the end, Unstrike over 10 MB, Ctrl+V of 1 MB, and
// Compare to between two similar 10 MB files. Prints each figure beside its target.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>

#include "app/main_window.h"
#include "app/menu_commands.h"
#include "app/opening.h"
#include "bench_memory.h"
#include "bench_text.h"
#include "editing/indentation.h"
#include "editing/replace_all.h"
#include "editor_idle.h"
#include "platform/qt/scintilla_surface.h"
#include "settings/display_options.h"
#include "support/recording_view.h"
#include "support/scripted_services.h"
#include "tracking/track_changes.h"
#include "tracking/tracked_keys.h"
#include "tracking/undo_buffer.h"

namespace scrivane {
namespace {

void idle() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

double msOf(const std::function<void()>& action) {
    QElapsedTimer t;
    t.start();
    action();
    idle();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void report(const char* what, double ms, double targetMs) {
    std::printf("%-58s %9.1f ms   target %7.0f ms   %s\n", what, ms, targetMs,
                ms <= targetMs ? "ok" : "OVER");
}

struct Forward : SurfaceEvents {
    explicit Forward(Workspace& w) : ws(w) {}
    void Change() override { mergedoc_Change(ws); }
    void KeyDown(int& k, int s) override { mergedoc_KeyDown(ws, k, s); }
    void KeyPress(int& a) override { mergedoc_KeyPress(ws, a); }
    void KeyUp(int&, int) override { mergedoc_KeyUp(ws); }
    Workspace& ws;
};

struct Editor {
    Editor() {
        mergedoc.SetEvents(&forward);
        mergedoc.widget()->resize(1000, 700);
        mergedoc.widget()->show();
        mergedoc.SetRightMargin(rightMarginFor(true));
    }
    ~Editor() { mergedoc.SetEvents(nullptr); }
    ScintillaSurface mergedoc;
    ScintillaSurface txt;
    ScriptedServices services;
    RecordingView view;
    Workspace ws{mergedoc, txt, services, view};
    Forward forward{ws};
};

// The search bar's boxes, as Replace All reads them.
struct Boxes : SearchBarView {
    std::string find, replace;
    std::string FindText() const override { return find; }
    void SetFindText(const std::string& text) override { find = text; }
    std::string ReplaceText() const override { return replace; }
    bool Exact() const override { return true; }
    void FocusFindBox() override {}
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    // Default settings, and none of the user's touched.
    qputenv("HOME", tmp.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (tmp.path() + "/config").toUtf8());
    QApplication app(argc, argv);

    {
        // The real window, with its own services and idle work; commands are called as its
        // menu actions call them, typing goes to the surface as keys.
        const std::string path = dir + "/large.txt";
        std::ofstream(path, std::ios::binary) << benchWords(1'500'000, 66, 42);
        auto window = std::make_unique<MainWindow>(std::vector<std::string>{});
        window->resize(1000, 700);
        window->show();
        idle();
        Workspace& ws = window->workspace();
        QWidget* surface = static_cast<ScintillaSurface&>(ws.mergedoc).widget();
        openfile(ws, path);
        idle();
        const double docMb = static_cast<double>(ws.mergedoc.TextLength()) / (1024.0 * 1024.0);
        std::mt19937 rng(7);
        for (int i = 0; i < 100; ++i) {
            ws.mergedoc.SetSelStart(
                static_cast<Pos>(rng() % static_cast<unsigned>(ws.mergedoc.TextLength())));
            ws.mergedoc.SetSelLength(i % 2 == 0 ? 5 : 0);
            ws.mergedoc.SetSelText(i % 3 == 0 ? "" : "edit");
        }
        idle();
        const double before = peakRssMb();
        report("Ctrl+T on, 100 MB, 100 edits", msOf([&] { mnuTrackChanges_Click(ws); }), 2000);
        std::printf("%-58s %9.0f MB   %.2fx the document (target 6x; %.0f MB before)\n",
                    "  peak memory", peakRssMb(), peakRssMb() / docMb, before);

        // Tracking rewrote the whole text, which the editor now wraps anew in the background
        // (keys meanwhile: window_bench); the keys below are measured once it is done.
        std::printf("%-58s %9.0f ms\n", "  wrapping anew in the background",
                    whileEditorBusy(*static_cast<ScintillaSurface&>(ws.mergedoc).editor()));

        // The user moves elsewhere and starts typing after a pause of a second, in which the
        // window prepares the next snapshot's memory.
        ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() / 2);
        mergedoc_MouseUp(ws);
        QTest::qWait(1000);
        report("first typed key of the first run (snapshot), 100 MB",
               msOf([&] { QTest::keyClick(surface, 'x'); }), 50);
        for (int i = 0; i < std::max(1, qEnvironmentVariableIntValue("TRACKING_BENCH_RUNS")); ++i) {
            ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() / (3 + i % 5));
            mergedoc_MouseUp(ws);
            report("first typed key of a later run (snapshot), 100 MB",
                   msOf([&] { QTest::keyClick(surface, 'x'); }), 50);
        }
        std::vector<double> keys;
        const int keyCount = qEnvironmentVariableIntValue("TRACKING_BENCH_KEYS");
        for (int i = 0; i < std::max(keyCount, 21); ++i) {
            const auto key = i % 3 == 0   ? Qt::Key_Delete
                             : i % 3 == 1 ? Qt::Key_Backspace
                                          : Qt::Key_Y;
            keys.push_back(msOf([&] { QTest::keyClick(surface, key); }));
        }
        report("tracked Delete/Backspace/typing, median of 21", median(keys), 5);

        QGuiApplication::clipboard()->setText(
            QString::fromStdString(benchWords(1 << 20 >> 6, 64, 3)));  // 1 MB of 64-byte lines
        for (int i = 0; i < std::max(1, qEnvironmentVariableIntValue("TRACKING_BENCH_PASTES")); ++i)
            report("Ctrl+V of 1 MB with tracking on", msOf([&] { plainPaste(ws); }), 100);

        ws.mergedoc.SetSelStart(1000);
        ws.mergedoc.SetSelLength(10'000'000);
        ws.mergedoc.SetSelColor(kDeletedRed);
        ws.mergedoc.SetSelStrikeThru(true);
        report("Unstrike over 10 MB", msOf([&] { unstrike(ws); }), 500);

        report("Ctrl+T off, 100 MB", msOf([&] { mnuTrackChanges_Click(ws); }), 1000);

        // One change, at the very end: Next Change from the top.
        ws.doc.stored.set(std::string(ws.mergedoc.TextRange(0, ws.mergedoc.TextLength())));
        ws.mergedoc.SetSelStart(ws.mergedoc.TextLength());
        ws.mergedoc.SetSelText("Z");
        mnuTrackChanges_Click(ws);
        idle();
        ws.mergedoc.SetSelStart(0);
        report("F2 from the top to one change at the end, 100 MB",
               msOf([&] { findnextchange(ws, false); }), 50);
        if (ws.mergedoc.SelText() != "Z") std::printf("  (F2 selected the wrong text)\n");
        std::printf("%-58s %9.0f MB   %.2fx the document\n", "peak memory over all of the above",
                    peakRssMb(), peakRssMb() / docMb);
    }
    {
        // Commands that change many places of a 10 MB file (150,000 lines, a tenth of them
        // with a CR LF break in an LF file), each place edited where it lies.
        std::string text = benchWords(150'000, 66, 11);
        for (std::size_t at = 0, line = 0; at < text.size(); at += 66, ++line) {
            if (line % 2 == 0) text.replace(at, 4, "    ");
            if (line % 10 == 0) {
                text.insert(at + 65, "\r");
                ++at;
            }
        }
        const std::string path = dir + "/many.txt";
        std::ofstream(path, std::ios::binary) << text;
        auto editor = std::make_unique<Editor>();
        editor->services.configDir = dir;
        editor->services.programDir = dir;
        openfile(editor->ws, path);
        idle();
        Boxes boxes;
        boxes.find = "fox";
        boxes.replace = "wolf";
        std::size_t replaced = 0;
        const auto snapshot = [&] {
            setundobuffer(editor->ws.undo, editor->ws.mergedoc, editor->ws.doc.stored, false);
        };
        report("Replace All, 10 MB, 'fox' by 'wolf'",
               msOf([&] { replaced = cmdReplaceAll_Click(editor->ws, boxes, snapshot); }), 1000);
        std::printf("  %zu occurrences, %zu breaks kept\n", replaced,
                    editor->ws.mergedoc.LineBreaks().size());
        std::size_t converted = 0;
        report("Fix Indents, 10 MB, 75,000 indented lines",
               msOf([&] { converted = mnuFixIndents_Click(editor->ws, snapshot); }), 1000);
        std::printf("  %zu blanks converted\n", converted);
    }
    {
        std::string older = benchWords(150'000, 66, 5);
        std::string newer = older;
        std::mt19937 rng(9);
        for (int i = 0; i < 1000; ++i) newer[rng() % newer.size()] = '#';
        const std::string oldPath = dir + "/old.txt";
        const std::string newPath = dir + "/new.txt";
        std::ofstream(oldPath, std::ios::binary) << older;
        std::ofstream(newPath, std::ios::binary) << newer;
        auto editor = std::make_unique<Editor>();
        editor->services.configDir = dir;
        editor->services.programDir = dir;
        openfile(editor->ws, newPath);
        idle();
        editor->services.openNames = {oldPath};
        report("Compare to, two similar 10 MB files", msOf([&] { mnuCompareTo_Click(editor->ws); }),
               500);
        std::printf("  %s\n", editor->view.statusLabel.c_str());
    }
    return 0;
}
