// Whole-document text work on large inputs: line ends, RTF reading, stripping struck text.
// Run from a Release build: build/bench/bench/text_bench
#include <benchmark/benchmark.h>

#include <random>

#include "compare/markup_format.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/random_docs.h"
#include "platform/pure/rtf_reader.h"
#include "platform/pure/rtf_writer.h"

namespace scrivane {
namespace {

std::string shortLfLines(std::size_t size) {
    std::string lf;
    lf.reserve(size + 32);
    while (lf.size() < size) lf += "some words of a line\n";
    return lf;
}

using testing::markedDocument;

void BM_ToCrLf(benchmark::State& state) {
    const std::string lf = shortLfLines(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(toCrLf(lf));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ToCrLf)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

void BM_Fixlines(benchmark::State& state) {
    const std::string lf = shortLfLines(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string s = lf;
        fixlines(s);
        benchmark::DoNotOptimize(s);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Fixlines)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

void BM_ReadRtf(benchmark::State& state) {
    const std::string rtf =
        writeRtf(markedDocument(static_cast<std::size_t>(state.range(0))), FontSpec{});
    for (auto _ : state) benchmark::DoNotOptimize(readRtf(rtf));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rtf.size()));
}
BENCHMARK(BM_ReadRtf)->Arg(10'000'000)->Arg(50'000'000)->Unit(benchmark::kMillisecond);

void BM_StripStruckText(benchmark::State& state) {
    const std::string rtf =
        writeRtf(markedDocument(static_cast<std::size_t>(state.range(0))), FontSpec{});
    for (auto _ : state) benchmark::DoNotOptimize(stripstruckText(rtf));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rtf.size()));
}
BENCHMARK(BM_StripStruckText)->Arg(10'000'000)->Arg(50'000'000)->Unit(benchmark::kMillisecond);

void BM_StrippedText(benchmark::State& state) {
    const RichText doc = markedDocument(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(strippedText(doc));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrippedText)->Arg(50'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scrivane

BENCHMARK_MAIN();
