#include "tracking/marked_position.h"

namespace scrivane {

Pos markedPosition(const std::vector<TextRun>& runs, Pos realPos, Side side) {
    Pos real = 0;
    Pos marked = 0;
    for (const TextRun& run : runs) {
        const auto length = static_cast<Pos>(run.length);
        if (!run.strike && !run.marker) {
            const bool inside =
                side == Side::After ? realPos < real + length : realPos <= real + length;
            if (inside) return marked + (realPos - real);
            real += length;
        }
        marked += length;
    }
    // No runs: all of it is plain. Past the real text's end: the marked text's end.
    return runs.empty() ? realPos : marked;
}

}  // namespace scrivane
