// The strip beside the scrollbar that shows where the changes are, kept current while the user
// types: the real window on the offscreen platform, Release build:
//   build/bench/bench/strip_bench
// A 100 MB document of 1.5 million lines with 1,000 scattered edits, marked by Track Changes;
// then 50 keys typed with tracking on, each followed by the strip's update as the window makes
// it (the runs read, a tick for each, the strip repainted). Prints the median and slowest
// update per key beside the target.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

#include "app/main_window.h"
#include "app/opening.h"
#include "bench_text.h"
#include "editor_idle.h"
#include "platform/qt/change_strip.h"
#include "platform/qt/scintilla_surface.h"
#include "tracking/track_changes.h"

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir tmp;
    qputenv("HOME", tmp.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (tmp.path() + "/config").toUtf8());
    QApplication app(argc, argv);

    const std::string path = tmp.path().toStdString() + "/large.txt";
    std::ofstream(path, std::ios::binary) << benchWords(1'500'000, 66, 42);
    MainWindow window(std::vector<std::string>{});
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();
    Workspace& ws = window.workspace();
    openfile(ws, path);
    std::mt19937 rng(7);
    for (int i = 0; i < 1000; ++i) {
        ws.mergedoc.SetSelStart(
            static_cast<Pos>(rng() % static_cast<unsigned>(ws.mergedoc.TextLength())));
        ws.mergedoc.SetSelLength(i % 2 == 0 ? 5 : 0);
        ws.mergedoc.SetSelText(i % 3 == 0 ? "" : "edit");
    }
    mnuTrackChanges_Click(ws);
    // Tracking rewrote the text, which the editor wraps anew in the background first.
    whileEditorBusy(*static_cast<ScintillaSurface&>(ws.mergedoc).editor());
    auto* strip = window.findChild<ChangeStrip*>();
    std::printf("%.0f MB, %zu runs, %zu ticks, strip %s\n",
                static_cast<double>(ws.mergedoc.TextLength()) / (1024.0 * 1024.0),
                ws.mergedoc.Runs().size(), strip->ticks().size(),
                strip->isVisible() ? "shown" : "HIDDEN");

    QWidget* surface = static_cast<ScintillaSurface&>(ws.mergedoc).widget();
    ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() / 2);
    std::vector<double> updates;
    for (int key = 0; key < 50; ++key) {
        QTest::keyClick(surface, static_cast<char>('a' + key % 26));
        // The editor repaints after the key at its next frame, and its idle work: that is the
        // key's own cost, which comes first, so that the strip's share is timed alone.
        QTest::qWait(20);
        whileEditorBusy(*static_cast<ScintillaSurface&>(ws.mergedoc).editor());
        // The update the window makes after the key: the runs read, a tick for each, the
        // strip painted.
        QElapsedTimer t;
        t.start();
        std::vector<ChangeTick> ticks = changeTicks(
            ws.mergedoc.Runs(), [&](Pos pos) { return ws.mergedoc.GetLineFromChar(pos); });
        strip->setTicks(std::move(ticks),
                        ws.mergedoc.GetLineFromChar(ws.mergedoc.TextLength()) + 1);
        strip->repaint();
        updates.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(updates.begin(), updates.end());
    const double median = updates[updates.size() / 2];
    const double slowest = updates.back();
    std::printf("%-40s %7.3f ms median, %7.3f ms slowest   target 2 ms   %s\n",
                "strip update per key", median, slowest, slowest <= 2.0 ? "ok" : "OVER");
    return 0;
}
