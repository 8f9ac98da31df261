// The editor's spine on a 100 MB, 1.5 million line document: opening it into the surface
// (time and peak memory against the file's size), the caption refresh with its modified
// check, and going to the last line. Run from a Release build:
//   build/bench/bench/editor_bench [--benchmark_repetitions=3]
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QTemporaryDir>
#include <fstream>
#include <random>

#include "app/caption.h"
#include "app/opening.h"
#include "bench_memory.h"
#include "bench_text.h"
#include "navigate/goto_line.h"
#include "platform/qt/scintilla_surface.h"
#include "support/recording_view.h"
#include "support/scripted_services.h"

namespace scrivane {
namespace {

constexpr std::size_t kLines = 1'500'000;
constexpr std::size_t kTargetBytes = 100'000'000;

// English-like lines with LF ends (the case that needs converting), 100 MB in all.
std::string writeLargeFile(const std::string& path) {
    std::ofstream(path, std::ios::binary) << benchWords(kLines, kTargetBytes / kLines, 42);
    return path;
}

struct Editor {
    ScintillaSurface mergedoc;
    ScintillaSurface txt;
    ScriptedServices services;
    RecordingView view;
    Workspace ws{mergedoc, txt, services, view};
};

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QTemporaryDir tmp;
    const std::string path = writeLargeFile(tmp.path().toStdString() + "/large.txt");
    const double fileMb = static_cast<double>(kTargetBytes) / (1024.0 * 1024.0);
    auto editor = std::make_unique<Editor>();
    editor->services.programDir = tmp.path().toStdString();
    editor->services.configDir = tmp.path().toStdString();
    Workspace& ws = editor->ws;

    benchmark::RegisterBenchmark("OpenLargeFile/100MB",
                                 [&](benchmark::State& state) {
                                     const double before = peakRssMb();
                                     for (auto _ : state) {
                                         openfile(ws, path);
                                     }
                                     const double peak = peakRssMb();
                                     state.counters["lines"] = static_cast<double>(
                                         ws.mergedoc.GetLineFromChar(ws.mergedoc.TextLength()) + 1);
                                     state.counters["peak_rss_MB"] = peak;
                                     state.counters["peak_rss_x_file"] = peak / fileMb;
                                     state.counters["rss_before_MB"] = before;
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("SetCaption/unmodified", [&](benchmark::State& state) {
        for (auto _ : state) setcaption(ws);
        if (editor->view.caption.find("unmodified") == std::string::npos) {
            state.SkipWithError("document should be unmodified");
        }
    })->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("SetCaption/same_length_change", [&](benchmark::State& state) {
        // A character replaced near the end keeps the length: the whole text is compared.
        ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() - 3);
        ws.mergedoc.SetSelLength(1);
        ws.mergedoc.SetSelText("#");
        for (auto _ : state) setcaption(ws);
    })->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("SetCaption/after_typing_mid_document", [&](benchmark::State&
                                                                                 state) {
        ws.mergedoc.SetSelStart(ws.mergedoc.TextLength() / 2);
        ws.mergedoc.SetSelText("x");
        for (auto _ : state) setcaption(ws);
        if (editor->view.caption.find("unmodified") != std::string::npos) {
            state.SkipWithError("document should be modified");
        }
    })->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("GotoLine/last", [&](benchmark::State& state) {
        for (auto _ : state) {
            ws.mergedoc.SetSelStart(0);
            gotoline(ws.mergedoc, static_cast<Pos>(kLines));
        }
        state.counters["selstart"] = static_cast<double>(ws.mergedoc.SelStart());
    })->Unit(benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
