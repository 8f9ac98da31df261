// What a screen reader asks of the surface, on a 100 MB UTF-8 document (accents, euro signs
// and emoji, a surrogate pair each): the first question, which has the editor build its line
// index in UTF-16 units, then questions about one line, word or offset. Run from a Release
// build: build/bench/bench/accessible_bench
#include <benchmark/benchmark.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <random>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

constexpr std::size_t kSize = 100u << 20;

// Lines of up to 120 characters, CR LF ended.
std::string bigUtf8Text(std::size_t bytes) {
    static const char* const pieces[] = {
        "a", "b", " ", "x", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "7", ".", "q"};
    std::mt19937 rng(12345);
    std::string s;
    s.reserve(bytes + 600);
    while (s.size() < bytes) {
        const std::size_t length = rng() % 120;
        for (std::size_t i = 0; i < length; ++i) s += pieces[rng() % std::size(pieces)];
        s += "\r\n";
    }
    return s;
}

QAccessibleTextInterface& textOf(ScintillaSurface& surface) {
    return *QAccessible::queryAccessibleInterface(surface.widget())->textInterface();
}

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const std::string text = bigUtf8Text(kSize);
    ScintillaSurface surface;

    benchmark::RegisterBenchmark("FirstQuestion/100MB_builds_the_index",
                                 [&](benchmark::State& state) {
                                     for (auto _ : state) {
                                         state.PauseTiming();
                                         surface.SetText(text);
                                         state.ResumeTiming();
                                         benchmark::DoNotOptimize(textOf(surface).characterCount());
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    // A caret and offsets in the middle of the document.
    const auto middle = static_cast<Pos>(text.size() / 2);
    benchmark::RegisterBenchmark("CursorPosition/middle", [&](benchmark::State& state) {
        surface.SetSelStart(middle);
        for (auto _ : state) benchmark::DoNotOptimize(textOf(surface).cursorPosition());
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("CharacterCount", [&](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(textOf(surface).characterCount());
    })->Unit(benchmark::kMicrosecond);
    for (const auto boundary : {QAccessible::LineBoundary, QAccessible::WordBoundary}) {
        const char* name =
            boundary == QAccessible::LineBoundary ? "LineAtOffset/random" : "WordAtOffset/random";
        benchmark::RegisterBenchmark(name, [&surface, boundary](benchmark::State& state) {
            QAccessibleTextInterface& accessible = textOf(surface);
            std::mt19937 rng(7);
            std::uniform_int_distribution<int> offsets(0, accessible.characterCount() - 1);
            int start = 0;
            int end = 0;
            for (auto _ : state) {
                benchmark::DoNotOptimize(
                    accessible.textAtOffset(offsets(rng), boundary, &start, &end));
            }
        })->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
