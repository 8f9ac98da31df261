// Speed of the comparison engine on large texts. Build with -DSCRIVANE_BENCH=ON
// -DCMAKE_BUILD_TYPE=Release. The "peak_MB" counter is the process's peak resident memory so
// far; run one benchmark alone (--benchmark_filter) to read it for that case.

#include <benchmark/benchmark.h>
#include <random>
#include <string>
#include <vector>

#include "../tests/compare/literal_oracle.h"
#include "bench_memory.h"
#include "compare/compare_engine.h"

namespace {

using scrivane::CompareEngine;
using scrivane::peakRssMb;

// English-like text: words of a fixed vocabulary, blanks, a CR LF every line or so.
std::string words(std::size_t length, std::uint32_t seed) {
    std::mt19937 vocabRng(42);  // the same vocabulary for every text
    std::vector<std::string> vocabulary;
    for (int w = 0; w < 2000; ++w) {
        std::string word;
        const int letters = 2 + static_cast<int>(vocabRng() % 8);
        for (int i = 0; i < letters; ++i) word.push_back(static_cast<char>('a' + vocabRng() % 26));
        vocabulary.push_back(word);
    }
    std::mt19937 rng(seed);
    // Zipf-like: short common words come up far more often.
    std::string out;
    out.reserve(length + 16);
    std::size_t line = 0;
    while (out.size() < length) {
        const std::size_t pick = (rng() % 2000) * (rng() % 2000) / 2000;
        out.append(vocabulary[pick]);
        if (out.size() - line > 60) {
            out.append("\r\n");
            line = out.size();
        } else {
            out.push_back(' ');
        }
    }
    out.resize(length);
    return out;
}

// `text` with `edits` small insertions, deletions and replacements at random places.
std::string edited(std::string text, std::size_t edits, std::uint32_t seed) {
    std::mt19937 rng(seed);
    for (std::size_t e = 0; e < edits; ++e) {
        const std::size_t at = rng() % text.size();
        const std::size_t length = 1 + rng() % 8;
        const std::string piece = words(length, seed + static_cast<std::uint32_t>(e));
        switch (rng() % 3) {
            case 0:
                text.insert(at, piece);
                break;
            case 1:
                text.erase(at, length);
                break;
            default:
                text.replace(at, length, piece);
                break;
        }
    }
    return text;
}

// `text` with every letter a..z turned into the two-byte Cyrillic letter in its place, so that
// chunk borders fall inside characters as often as not.
std::string cyrillic(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        if (c >= 'a' && c <= 'z') {
            const unsigned code = 0x430U + static_cast<unsigned>(c - 'a');
            out.push_back(static_cast<char>(0xC0U | (code >> 6)));
            out.push_back(static_cast<char>(0x80U | (code & 0x3FU)));
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void report(benchmark::State& state, const CompareEngine& engine, std::size_t bytes) {
    state.counters["blocks"] = static_cast<double>(engine.nblocks());
    state.counters["changes"] = static_cast<double>(engine.countchanges());
    state.counters["peak_MB"] = peakRssMb();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Two texts of `MB` megabytes differing by 100 small edits per megabyte (1000 for 10 MB).
void Similar(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string docold = words(size, 1);
    const std::string docnew = edited(docold, static_cast<std::size_t>(state.range(0)) * 100, 2);
    CompareEngine engine;
    for (auto _ : state) engine.compareblocks(docnew, docold);
    report(state, engine, docnew.size() + docold.size());
}
BENCHMARK(Similar)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same, with the marked-up document built as well.
void SimilarWithMarkup(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string docold = words(size, 1);
    const std::string docnew = edited(docold, static_cast<std::size_t>(state.range(0)) * 100, 2);
    const std::string defrtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Monospace;}}\\f0 $TEXT_}";
    CompareEngine engine;
    std::int64_t count = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.comparedocs(docnew, docold, defrtf, count));
    report(state, engine, docnew.size() + docold.size());
}
BENCHMARK(SimilarWithMarkup)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// Heavily changed UTF-8: `MB` megabytes of words before the letters become two-byte
// characters, with a small edit every 50 bytes or so; most change borders need the border pass.
void Utf8HeavilyChanged(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string base = words(size, 5);
    const std::string docold = cyrillic(base);
    const std::string docnew = cyrillic(edited(base, size / 50, 6));
    CompareEngine engine;
    for (auto _ : state) engine.compareblocks(docnew, docold);
    report(state, engine, docnew.size() + docold.size());
}
BENCHMARK(Utf8HeavilyChanged)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two unrelated texts of English-like words.
void Unrelated(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string docnew = words(size, 3);
    const std::string docold = words(size, 4);
    CompareEngine engine;
    for (auto _ : state) engine.compareblocks(docnew, docold);
    report(state, engine, docnew.size() + docold.size());
}
BENCHMARK(Unrelated)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The step-by-step procedure on the cases where it finishes within a minute.
void OracleSimilar(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string docold = words(size, 1);
    const std::string docnew = edited(docold, static_cast<std::size_t>(state.range(0)) * 100, 2);
    scrivane::oracle::LiteralCompare literal;
    for (auto _ : state) literal.comparedocs(docnew, docold);
    state.counters["blocks"] = static_cast<double>(literal.nblocks());
}
BENCHMARK(OracleSimilar)
    ->Arg(1)
    ->Arg(10)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Unrelated texts of `KB` kilobytes for the step-by-step procedure.
void OracleUnrelated(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 10;
    const std::string docnew = words(size, 3);
    const std::string docold = words(size, 4);
    scrivane::oracle::LiteralCompare literal;
    for (auto _ : state) literal.comparedocs(docnew, docold);
    state.counters["blocks"] = static_cast<double>(literal.nblocks());
}
BENCHMARK(OracleUnrelated)
    ->Arg(100)
    ->Arg(300)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void EngineUnrelatedKB(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0)) << 10;
    const std::string docnew = words(size, 3);
    const std::string docold = words(size, 4);
    CompareEngine engine;
    for (auto _ : state) engine.compareblocks(docnew, docold);
    report(state, engine, docnew.size() + docold.size());
}
BENCHMARK(EngineUnrelatedKB)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
