#include "platform/pure/document_marks.h"

#include "platform/pure/text_runs.h"

namespace scrivane {

void DocumentMarks::inserted(Pos pos, Pos length) {
    marking_.insert(pos, length, Marking{});
    ends_.insert(pos, length, LineEnd::Usual);
}

void DocumentMarks::removed(Pos pos, Pos length) {
    marking_.erase(pos, length);
    ends_.erase(pos, length);
}

void DocumentMarks::reset(Pos length) {
    marking_.clear();
    ends_.clear();
    inserted(0, length);
}

void DocumentMarks::mark(Pos pos, Pos length, const Marking& marking) {
    marking_.fill(pos, length, marking);
}

Marking DocumentMarks::markingAt(Pos pos) const {
    return pos >= 0 && pos < length() ? marking_.valueAt(pos) : Marking{};
}

std::vector<TextRun> DocumentMarks::runs(Pos from, Pos to) const {
    std::vector<TextRun> out;
    marking_.forRuns(from, to, [&out](Pos start, Pos end, const Marking& m) {
        appendRun(out, static_cast<std::size_t>(end - start), m);
    });
    if (allPlain(out)) out.clear();
    return out;
}

bool DocumentMarks::anyStrike(Pos from, Pos to) const {
    bool any = false;
    marking_.forRuns(from, to, [&any](Pos, Pos, const Marking& m) { any = any || m.strike; });
    return any;
}

Pos DocumentMarks::colourRunEnd(Pos pos) const {
    if (pos < 0 || pos >= length()) return length();
    const Colour colour = marking_.valueAt(pos).colour;
    Pos end = marking_.runEnd(pos);
    while (end < length() && marking_.valueAt(end).colour == colour) end = marking_.runEnd(end);
    return end;
}

Pos DocumentMarks::nextMarker(Pos pos) const {
    for (pos = std::max<Pos>(pos, 0); pos < length(); pos = marking_.runEnd(pos)) {
        if (marking_.valueAt(pos).marker) return pos;
    }
    return length();
}

std::vector<LineBreak> DocumentMarks::breaks(const std::function<Pos(Pos)>& lineOf) const {
    std::vector<LineBreak> out;
    ends_.forRuns(0, length(), [&](Pos start, Pos end, LineEnd value) {
        if (value == LineEnd::Usual) return;
        for (Pos lf = start; lf < end; ++lf) out.push_back({lineOf(lf), value});
    });
    return out;
}

void DocumentMarks::setBreaks(const std::vector<LineBreak>& breaks,
                              const std::function<Pos(Pos)>& lfOf) {
    ends_.fill(0, length(), LineEnd::Usual);
    for (const LineBreak& b : breaks) {
        const Pos lf = lfOf(b.line);
        if (lf >= 0 && lf < length() && b.end != LineEnd::Usual) ends_.fill(lf, 1, b.end);
    }
}

}  // namespace scrivane
