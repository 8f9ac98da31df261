#include "platform/pure/selection_editing.h"

#include <functional>
#include <vector>

#include "platform/pure/line_ends.h"
#include "platform/pure/text_runs.h"

namespace scrivane {

std::string SelectionEditing::SelText() const {
    return std::string(text_.TextRange(start(), end() - start()));
}

Marking SelectionEditing::typedMarkingBeside(Pos pos) const {
    if (pos < 0 || pos >= text_.TextLength()) return {};
    const Marking beside = text_.MarkingAt(pos);
    // New text is never shown as deleted: next to struck text it starts out plain.
    if (beside.strike) return {};
    return Marking{beside.colour};
}

Marking SelectionEditing::insertionMarking() const {
    const Pos from = start();
    const Pos to = end();
    Marking marking = typedMarkingBeside(from < to ? from : (from > 0 ? from - 1 : 0));
    if (chosen_ && chosen_->at == from && (from == to || chosen_->overSelection)) {
        if (chosen_->colour) marking.colour = *chosen_->colour;
        if (chosen_->strike) marking.strike = *chosen_->strike;
    }
    return marking;
}

void SelectionEditing::SetSelText(std::string_view text) {
    const Pos from = start();
    const Marking marking = insertionMarking();
    const std::string bytes = toCrLf(text);
    chosen_.reset();
    text_.RemoveAt(from, end() - from);
    text_.InsertAt(from, bytes, marking);
    const auto length = static_cast<Pos>(bytes.size());
    const Pos caret = from + repairLineEnds(from, from + length) + length;
    place_.select(caret, caret);
}

Colour SelectionEditing::SelColor() const {
    const Pos from = start();
    const Pos to = end();
    if (from == to) {
        if (chosen_ && chosen_->at == from && chosen_->colour) return *chosen_->colour;
        return text_.MarkingAt(from > 0 ? from - 1 : 0).colour;
    }
    const std::vector<TextRun> runs = text_.RunsIn(from, to);
    if (runs.empty()) return kPlain;
    for (const TextRun& run : runs) {
        if (run.colour != runs.front().colour) return kMixedColour;
    }
    return runs.front().colour;
}

SelectionEditing::Chosen& SelectionEditing::chosenHere() {
    if (!chosen_ || chosen_->at != start()) chosen_ = Chosen{start(), {}, {}};
    return *chosen_;
}

void SelectionEditing::SetSelColor(Colour colour) {
    if (colour == kMixedColour) return;
    const Pos from = start();
    const Pos to = end();
    if (from == to) {
        chosenHere().colour = rgbOf(colour);
        return;
    }
    // The colour changes, strike-through and markers stay.
    remark(from, to, [&](Marking& m) { m.colour = rgbOf(colour); });
}

void SelectionEditing::remark(Pos from, Pos to, const std::function<void(Marking&)>& change) {
    Pos at = from;
    std::vector<TextRun> runs = text_.RunsIn(from, to);
    if (runs.empty()) runs.push_back(TextRun{static_cast<std::size_t>(to - from)});
    for (const TextRun& run : runs) {
        Marking m = run.marking();
        change(m);
        text_.MarkRange(at, static_cast<Pos>(run.length), m);
        at += static_cast<Pos>(run.length);
    }
}

bool SelectionEditing::SelStrikeThru() const {
    const Pos from = start();
    const Pos to = end();
    if (from == to) {
        if (chosen_ && chosen_->at == from && chosen_->strike) return *chosen_->strike;
        return from > 0 && text_.MarkingAt(from - 1).strike;
    }
    const std::vector<TextRun> runs = text_.RunsIn(from, to);
    if (runs.empty()) return false;
    for (const TextRun& run : runs) {
        if (!run.strike) return false;
    }
    return true;
}

void SelectionEditing::SetSelStrikeThru(bool on) {
    const Pos from = start();
    const Pos to = end();
    if (from == to) {
        chosenHere().strike = on;
        return;
    }
    remark(from, to, [on](Marking& m) { m.strike = on; });
}

bool SelectionEditing::SelHasStrike() const {
    for (const TextRun& run : text_.RunsIn(start(), end())) {
        if (run.strike) return true;
    }
    return false;
}

void SelectionEditing::SetTypingColour(Colour colour) {
    chosen_ = Chosen{start(), rgbOf(colour), false, true};
}

Pos SelectionEditing::repairLineEnds(Pos from, Pos to) {
    const Pos length = text_.TextLength();
    const Pos first = std::max<Pos>(0, from - 1);
    const Pos last = std::min(length, to + 1);
    // One byte more on each side: a break's other half may lie just outside.
    const Pos windowStart = std::max<Pos>(0, first - 1);
    const std::string_view window = text_.TextRange(windowStart, last - windowStart + 1);
    auto byteAt = [&](Pos pos) {
        const Pos i = pos - windowStart;
        return i >= 0 && i < static_cast<Pos>(window.size()) ? window[static_cast<std::size_t>(i)]
                                                             : '\0';
    };
    struct Fix {
        Pos at;
        char byte;
        Marking marking;
    };
    // The byte that completes a break takes the marking of its other half, but is no marker.
    const auto halfOf = [this](Pos at) {
        const Marking m = text_.MarkingAt(at);
        return Marking{m.colour, m.strike};
    };
    std::vector<Fix> fixes;
    for (Pos i = first; i < last; ++i) {
        const char c = byteAt(i);
        if (c == '\r' && byteAt(i + 1) != '\n') fixes.push_back({i + 1, '\n', halfOf(i)});
        if (c == '\n' && byteAt(i - 1) != '\r') fixes.push_back({i, '\r', halfOf(i)});
    }
    Pos shiftedFrom = 0;
    for (auto fix = fixes.rbegin(); fix != fixes.rend(); ++fix) {
        text_.InsertAt(fix->at, std::string_view(&fix->byte, 1), fix->marking);
        // A LF that completes the CR before `from` stands before the new text.
        if (fix->byte == '\n' && fix->at <= from) ++shiftedFrom;
    }
    return shiftedFrom;
}

}  // namespace scrivane
