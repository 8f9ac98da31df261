#include "platform/pure/change_ticks.h"

#include <algorithm>
#include <cstdlib>

namespace scrivane {

namespace {

bool marked(const TextRun& run) {
    return run.colour != kPlain || run.strike || run.marker;
}

bool colouredText(const TextRun& run) {
    return !run.marker && marked(run);
}

}  // namespace

std::vector<ChangeTick> changeTicks(const std::vector<TextRun>& runs,
                                    const std::function<Pos(Pos)>& lineOf) {
    std::vector<ChangeTick> ticks;
    Pos at = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TextRun& run = runs[i];
        const Pos start = at;
        at += static_cast<Pos>(run.length);
        if (!marked(run)) continue;
        if (run.marker) {
            // The run it begins carries the tick; alone, it gets one after its last marker.
            if (i + 1 < runs.size() && colouredText(runs[i + 1])) continue;
            ticks.push_back({lineOf(at - 1), at, run.colour == kDeletedRed || run.strike});
            continue;
        }
        ticks.push_back({lineOf(start), start, run.strike || run.colour == kDeletedRed});
    }
    return ticks;
}

int tickRow(Pos line, Pos lineCount, int height) {
    if (height <= 0) return 0;
    if (lineCount <= 0) return 0;
    const Pos row = std::clamp<Pos>(line, 0, lineCount - 1) * height / lineCount;
    return static_cast<int>(std::min<Pos>(row, height - 1));
}

int tickAt(const std::vector<ChangeTick>& ticks, Pos lineCount, int height, int y, int slack) {
    int best = -1;
    int bestDistance = slack + 1;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const int distance = std::abs(tickRow(ticks[i].line, lineCount, height) - y);
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace scrivane
