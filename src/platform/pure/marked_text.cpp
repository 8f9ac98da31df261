#include "platform/pure/marked_text.h"

#include <algorithm>

#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text_crlf.h"
#include "platform/pure/text_runs.h"
#include "platform/pure/utf8.h"

namespace scrivane {

std::string_view MarkedText::TextRange(Pos pos, Pos len) const {
    const Pos start = clamp(pos);
    const Pos count = std::clamp<Pos>(len, 0, TextLength() - start);
    if (count == 0) return {};
    return {bytes_.range(start, count), static_cast<std::size_t>(count)};
}

std::string MarkedText::Text() const {
    std::string out;
    CopyText(out);
    return out;
}

void MarkedText::CopyText(std::string& into) const {
    const auto [a, aLength] = bytes_.first();
    const auto [b, bLength] = bytes_.second();
    into.assign(a, static_cast<std::size_t>(aLength));
    into.append(b, static_cast<std::size_t>(bLength));
}

bool MarkedText::TextEquals(std::string_view other) const {
    const auto [a, aLength] = bytes_.first();
    const auto [b, bLength] = bytes_.second();
    const auto first = static_cast<std::size_t>(aLength);
    return other.size() == static_cast<std::size_t>(TextLength()) &&
           other.substr(0, first) == std::string_view(a, first) &&
           other.substr(first) == std::string_view(b, static_cast<std::size_t>(bLength));
}

Pos MarkedText::GetLineFromChar(Pos pos) const {
    return lines_.stretchOf(clamp(pos));
}

void MarkedText::linesInserted(Pos pos, std::string_view bytes) {
    Pos line = lines_.stretchOf(pos);
    lines_.shiftAfter(line, static_cast<Pos>(bytes.size()));
    for (std::size_t i = bytes.find('\n'); i != std::string_view::npos;
         i = bytes.find('\n', i + 1)) {
        lines_.split(line++, pos + static_cast<Pos>(i) + 1);
    }
}

void MarkedText::linesRemoved(Pos pos, Pos length) {
    // Each LF removed takes the start of the line after it.
    const Pos line = lines_.stretchOf(pos);
    while (line + 1 < lines_.count() && lines_.start(line + 1) <= pos + length)
        lines_.join(line + 1);
    lines_.shiftAfter(line, -length);
}

RichText MarkedText::Content() const {
    RichText doc{Text(), Runs(), LineBreaks()};
    return doc;
}

void MarkedText::SetContent(const RichText& doc) {
    const RichText fitted = richTextWithCrLf(RichText{doc.text, doc.runs});
    bytes_.clear();
    bytes_.insert(0, fitted.text.data(), static_cast<Pos>(fitted.text.size()));
    lines_ = Partitioning();
    linesInserted(0, fitted.text);
    marks_.reset(TextLength());
    Pos pos = 0;
    for (const TextRun& run : fitted.runs) {
        const auto length = static_cast<Pos>(run.length);
        if (run.marking() != Marking{}) marks_.mark(pos, length, run.marking());
        pos += length;
    }
    utf8_ = isValidUtf8(fitted.text);
    SetLineBreaks(doc.breaks);
    ++revision_;
}

void MarkedText::SetText(std::string_view text) {
    SetContent(RichText{std::string(text)});
}

std::vector<TextRun> MarkedText::Runs() const {
    return marks_.runs(0, TextLength());
}

std::vector<TextRun> MarkedText::RunsIn(Pos from, Pos to) const {
    return marks_.runs(clamp(from), clamp(to));
}

bool MarkedText::HasStrike() const {
    return marks_.anyStrike(0, TextLength());
}

Pos MarkedText::ColourRunEnd(Pos pos) const {
    return marks_.colourRunEnd(clamp(pos));
}

Pos MarkedText::NextMarker(Pos pos) const {
    return marks_.nextMarker(clamp(pos));
}

void MarkedText::InsertAt(Pos pos, std::string_view bytes, const Marking& marking) {
    if (bytes.empty()) return;
    pos = clamp(pos);
    const auto length = static_cast<Pos>(bytes.size());
    // The break whose CR or LF the new bytes land beside keeps its form: it is on its LF.
    bytes_.insert(pos, bytes.data(), length);
    linesInserted(pos, bytes);
    marks_.inserted(pos, length);
    marks_.mark(pos, length, marking);
    ++revision_;
}

void MarkedText::RemoveAt(Pos pos, Pos length) {
    pos = clamp(pos);
    length = std::min(length, TextLength() - pos);
    if (length <= 0) return;
    bytes_.erase(pos, length);
    linesRemoved(pos, length);
    marks_.removed(pos, length);
    ++revision_;
}

void MarkedText::MarkRange(Pos pos, Pos length, const Marking& marking) {
    pos = clamp(pos);
    length = std::min(length, TextLength() - pos);
    if (length <= 0) return;
    marks_.mark(pos, length, marking);
    ++revision_;
}

void MarkedText::AcceptRange(Pos pos, Pos length) {
    pos = clamp(pos);
    const Pos end = std::min(pos + length, TextLength());
    // From the end back, so that positions before each removal still hold.
    const std::vector<TextRun> runs = marks_.runs(pos, end);
    Pos at = pos;
    for (const TextRun& run : runs) at += static_cast<Pos>(run.length);
    Pos removed = 0;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        at -= static_cast<Pos>(run->length);
        if (run->strike || run->marker) {
            RemoveAt(at, static_cast<Pos>(run->length));
            removed += static_cast<Pos>(run->length);
        }
    }
    MarkRange(pos, end - pos - removed, Marking{});
}

std::vector<LineBreak> MarkedText::LineBreaks() const {
    return marks_.breaks([this](Pos lf) { return lines_.stretchOf(lf); });
}

void MarkedText::SetLineBreaks(const std::vector<LineBreak>& breaks) {
    marks_.setBreaks(breaks, [this](Pos line) -> Pos {
        if (line < 0 || line + 1 >= lines_.count()) return -1;  // the last line has no break
        return lines_.start(line + 1) - 1;
    });
}

}  // namespace scrivane
