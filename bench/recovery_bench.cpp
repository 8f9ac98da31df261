// The window's share of keeping a recovery file of a 100 MB document (offscreen platform,
// Release build):
//   build/bench/bench/recovery_bench
// For each write: the time the window's thread spent on it in all (copying what changed,
// reading the marking), the longest it was held at once, the bytes it copied, and how long
// the writer's thread took until the file was in place. Typing copies only what changed;
// after a change of the whole document (Track Changes on) the window copies all of it, a few
// megabytes per turn of the event loop. Prints each figure beside its target.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>

#include "app/opening.h"
#include "bench_memory.h"
#include "bench_text.h"
#include "platform/qt/scintilla_surface.h"
#include "recovery/recovery_keeper.h"
#include "support/recording_view.h"
#include "support/scripted_services.h"
#include "tracking/modified_check.h"
#include "tracking/track_changes.h"

namespace scrivane {
namespace {

struct Editor {
    Editor() {
        mergedoc.widget()->resize(1000, 700);
        mergedoc.widget()->show();
    }
    ScintillaSurface mergedoc;
    ScintillaSurface txt;
    ScriptedServices services;
    RecordingView view;
    Workspace ws{mergedoc, txt, services, view};
};

// Runs `change`, tells the keeper, and waits until the file is in place; prints the costs.
void measure(const char* what, RecoveryKeeper& keeper, Workspace& ws,
             const std::function<void()>& change) {
    change();
    // The caption's refresh, which the keeper relies on to know an unchanged document.
    isUnchanged(ws.mergedoc, ws.doc.stored, ws.modified);
    keeper.documentTouched();
    QElapsedTimer wall;
    wall.start();
    if (!QTest::qWaitFor([&] { return !keeper.busy() && !keeper.pending(); }, 120000)) {
        std::printf("%s: the write did not finish\n", what);
    }
    const auto& cost = keeper.lastWriteCost();
    std::printf(
        "%-40s window %6.2f ms, processor %6.2f ms (target 20)  longest %5.2f ms  "
        "%2d steps  %9zu bytes  in place after %5.0f ms  %s\n",
        what, cost.windowMs, cost.windowCpuMs, cost.longestStepMs, cost.steps, cost.copiedBytes,
        static_cast<double>(wall.elapsed()), cost.windowCpuMs <= 20 ? "ok" : "OVER");
}

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    using namespace std::chrono_literals;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    QApplication app(argc, argv);

    const std::string path = dir + "/large.txt";
    std::ofstream(path, std::ios::binary) << benchWords(1'500'000, 70, 42);
    auto editor = std::make_unique<Editor>();
    Workspace& ws = editor->ws;
    editor->services.configDir = dir;
    openfile(ws, path);
    const double docMb = static_cast<double>(ws.mergedoc.TextLength()) / (1024.0 * 1024.0);
    std::printf("document: %.0f MB, %.0f MB resident after opening\n", docMb, peakRssMb());

    RecoveryTiming timing;
    timing.quiet = 50ms;  // the pause before a write, shortened: it costs the window nothing
    RecoveryKeeper keeper(ws, dir + "/recovery", {}, timing);
    keeper.documentOpened();

    const int runs = std::max(3, qEnvironmentVariableIntValue("RECOVERY_BENCH_RUNS"));
    for (int i = 0; i < runs; ++i) {
        measure("a key typed, 100 MB", keeper, ws, [&] {
            ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() / (2 + i));
            ws.mergedoc.SetSelText("x");
        });
    }
    measure("a 1 MB paste, 100 MB", keeper, ws, [&] {
        ws.mergedoc.SetSelStart(1000);
        ws.mergedoc.SetSelText(benchWords(1 << 14, 64, 3));
    });
    measure("edits at both ends, 100 MB", keeper, ws, [&] {
        ws.mergedoc.SetSelStart(0);
        ws.mergedoc.SetSelText("first ");
        ws.mergedoc.SetSelStart(ws.mergedoc.TextLength());
        ws.mergedoc.SetSelText(" last");
    });
    measure("Track Changes on (all of it rewritten)", keeper, ws,
            [&] { mnuTrackChanges_Click(ws); });
    measure("a tracked key after that", keeper, ws, [&] {
        ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() / 2);
        ws.mergedoc.SetSelText("y");
    });

    // The session ends: the window's thread waits until the file is on disk.
    QElapsedTimer now;
    now.start();
    keeper.writeNow();
    std::printf("%-40s %6.0f ms until the process may end (nothing new to write)\n",
                "SIGTERM right after a write", static_cast<double>(now.elapsed()));
    ws.mergedoc.SetSelText("z");
    keeper.documentTouched();
    now.start();
    keeper.writeNow();
    std::printf("%-40s %6.0f ms until the process may end (100 MB written and flushed)\n",
                "SIGTERM right after a key", static_cast<double>(now.elapsed()));
    std::printf("peak memory %.0f MB, %.2fx the document\n", peakRssMb(), peakRssMb() / docMb);
    return 0;
}
