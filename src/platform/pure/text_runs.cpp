#include "platform/pure/text_runs.h"

#include <algorithm>

namespace scrivane {

void appendRun(std::vector<TextRun>& runs, std::size_t length, Colour colour, bool strike) {
    if (length == 0) return;
    if (!runs.empty() && runs.back().colour == colour && runs.back().strike == strike) {
        runs.back().length += length;
        return;
    }
    runs.push_back(TextRun{length, colour, strike});
}

RichText normalised(RichText doc) {
    std::vector<TextRun> runs;
    runs.reserve(doc.runs.size() + 1);
    std::size_t covered = 0;
    const std::size_t size = doc.text.size();
    for (const TextRun& run : doc.runs) {
        if (covered >= size) break;
        const std::size_t length = std::min(run.length, size - covered);
        appendRun(runs, length, run.colour & kColourMask, run.strike);
        covered += length;
    }
    appendRun(runs, size - covered, kPlain, false);
    const bool allPlain = std::all_of(
        runs.begin(), runs.end(), [](const TextRun& r) { return r.colour == kPlain && !r.strike; });
    if (allPlain) runs.clear();
    doc.runs = std::move(runs);
    return doc;
}

}  // namespace scrivane
