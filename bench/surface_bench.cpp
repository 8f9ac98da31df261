// The editing surface with a 100 MB document: whole-content writes and reads, and the cheap
// queries the caption relies on. Run from a Release build: build/bench/bench/surface_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <random>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

constexpr std::size_t kSize = 100u << 20;

// Lines of up to 120 arbitrary bytes (no line breaks inside), CR LF ended.
std::string bigText(std::size_t bytes) {
    std::mt19937 rng(12345);
    std::string s;
    s.reserve(bytes + 200);
    while (s.size() < bytes) {
        const std::size_t length = rng() % 120;
        for (std::size_t i = 0; i < length; ++i) {
            char c = static_cast<char>(rng());
            if (c == '\r' || c == '\n') c = ' ';
            s += c;
        }
        s += "\r\n";
    }
    return s;
}

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const std::string text = bigText(kSize);
    ScintillaSurface surface;

    benchmark::RegisterBenchmark("SetText/100MB", [&](benchmark::State& state) {
        for (auto _ : state) surface.SetText(text);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Text/100MB", [&](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(surface.Text());
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Content/100MB_plain", [&](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(surface.Content());
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Queries/HasStrike+GetLineFromChar", [&](benchmark::State& state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(surface.HasStrike());
            benchmark::DoNotOptimize(surface.GetLineFromChar(surface.TextLength() - 1));
        }
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SetContent/100MB_two_runs", [&](benchmark::State& state) {
        const RichText doc{
            text,
            {TextRun{text.size() / 2}, TextRun{text.size() - text.size() / 2, kInsertedBlue}}};
        for (auto _ : state) surface.SetContent(doc);
    })->Unit(benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
