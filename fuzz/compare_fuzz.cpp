// Compares the two halves of the input with the engine and with the step-by-step procedure;
// any disagreement, or a result that loses text or splits a UTF-8 character, aborts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "compare/border_align.h"
#include "compare/compare_checks.h"
#include "compare/compare_engine.h"
#include "compare/literal_oracle.h"
#include "compare/markup_format.h"
#include "platform/pure/utf8.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "compare_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace scrivane;
    if (size == 0 || size > 6000) return 0;
    // The first byte tells where the new text ends and the old text begins.
    const std::size_t rest = size - 1;
    const std::size_t split = rest == 0 ? 0 : data[0] * rest / 255;
    const std::string docnew(reinterpret_cast<const char*>(data) + 1, split);
    const std::string docold(reinterpret_cast<const char*>(data) + 1 + split, rest - split);

    oracle::LiteralCompare literal;
    literal.comparedocs(docnew, docold);
    CompareEngine engine;
    engine.chunkpasses(docnew, docold);
    check(engine.blocks() == literal.blocks, "blocks differ from the step-by-step procedure");

    std::vector<Block> expected = literal.blocks;
    check(alignborders(expected, docnew, docold), "border pass refused");
    std::int64_t expectedCount = 0;
    const std::string defrtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Monospace;}}\\f0 $TEXT_}";
    const std::string expectedMarkup =
        oracle::markuprtf(expected, docnew, docold, defrtf, expectedCount);

    std::int64_t count = 0;
    const std::string markup = engine.comparedocs(docnew, docold, defrtf, count);
    check(engine.blocks() == expected, "border pass differs");
    check(markup == expectedMarkup, "marked-up document differs");
    check(count == expectedCount, "count differs");
    check((count == 0) == (docnew == docold), "count disagrees with equality");
    check(testing::resultFaults(engine.blocks(), docnew, docold, markup).empty(),
          "result property violated");
    (void)engine.dumpblocks(docnew, docold);
    return 0;
}
