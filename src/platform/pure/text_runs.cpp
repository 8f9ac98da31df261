#include "platform/pure/text_runs.h"

#include <algorithm>

namespace scrivane {

void appendRun(std::vector<TextRun>& runs, std::size_t length, const Marking& marking) {
    if (length == 0) return;
    if (!runs.empty() && runs.back().marking() == marking) {
        runs.back().length += length;
        return;
    }
    runs.push_back(TextRun{length, marking.colour, marking.strike, marking.marker});
}

bool allPlain(const std::vector<TextRun>& runs) {
    return std::all_of(runs.begin(), runs.end(),
                       [](const TextRun& r) { return r.marking() == Marking{}; });
}

std::vector<TextRun> withMarkersAtRunStarts(std::string_view text,
                                            const std::vector<TextRun>& runs) {
    std::vector<TextRun> out;
    out.reserve(runs.size());
    std::size_t pos = 0;
    for (const TextRun& run : runs) {
        if (run.colour != kPlain && pos < text.size() && text[pos] == '\x06') {
            appendRun(out, 1, Marking{run.colour, run.strike, true});
            appendRun(out, run.length - 1, run.marking());
        } else {
            appendRun(out, run.length, run.marking());
        }
        pos += run.length;
    }
    return out;
}

RichText normalised(RichText doc) {
    std::vector<TextRun> runs;
    runs.reserve(doc.runs.size() + 1);
    std::size_t covered = 0;
    const std::size_t size = doc.text.size();
    for (const TextRun& run : doc.runs) {
        if (covered >= size) break;
        const std::size_t length = std::min(run.length, size - covered);
        appendRun(runs, length, Marking{run.colour & kColourMask, run.strike, run.marker});
        covered += length;
    }
    appendRun(runs, size - covered, kPlain, false);
    if (allPlain(runs)) runs.clear();
    doc.runs = std::move(runs);
    return doc;
}

}  // namespace scrivane
