#include "compare/marked_content.h"

#include <algorithm>
#include <cstring>

#include "compare/markup_format.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

// The line of a text at an offset, counted on from the last offset asked for: runs come
// mostly in the order of the text.
class LineCounter {
  public:
    explicit LineCounter(std::string_view text) : text_(text) {}

    Pos lineAt(std::size_t offset) {
        if (offset < at_) {
            at_ = 0;
            line_ = 0;
        }
        line_ += std::count(text_.begin() + static_cast<std::ptrdiff_t>(at_),
                            text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
        at_ = offset;
        return line_;
    }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
    Pos line_ = 0;
};

LineEnd endOf(const std::vector<LineBreak>& breaks, Pos line) {
    const auto it =
        std::lower_bound(breaks.begin(), breaks.end(), line,
                         [](const LineBreak& b, Pos wanted) { return b.line < wanted; });
    return it != breaks.end() && it->line == line ? it->end : LineEnd::Usual;
}

}  // namespace

std::vector<LineBreak> markedBreaks(const CompareEngine& engine, std::string_view docnew,
                                    std::string_view docold,
                                    const std::vector<LineBreak>& newBreaks,
                                    const std::vector<LineBreak>& oldBreaks) {
    std::vector<LineBreak> out;
    if (newBreaks.empty() && oldBreaks.empty()) return out;
    LineCounter newLines(docnew);
    LineCounter oldLines(docold);
    Pos line = 0;  // of the marked text
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        // Same and inserted runs are bytes of the new text, deleted ones of the old.
        const bool old = run.kind == RunKind::Deleted;
        const std::string_view whole = old ? docold : docnew;
        LineCounter& lines = old ? oldLines : newLines;
        const std::vector<LineBreak>& breaks = old ? oldBreaks : newBreaks;
        const auto start = static_cast<std::size_t>(run.text.data() - whole.data());
        for (std::size_t i = 0; i < run.text.size(); ++i) {
            const void* lf = std::memchr(run.text.data() + i, '\n', run.text.size() - i);
            if (lf == nullptr) break;
            i = static_cast<std::size_t>(static_cast<const char*>(lf) - run.text.data());
            const LineEnd end =
                breaks.empty() ? LineEnd::Usual : endOf(breaks, lines.lineAt(start + i));
            if (end != LineEnd::Usual) out.push_back({line, end});
            ++line;
        }
    }
    return out;
}

RichText markedContent(const CompareEngine& engine, std::string_view docnew,
                       std::string_view docold, const std::vector<LineBreak>& newBreaks,
                       const std::vector<LineBreak>& oldBreaks) {
    RichText doc;
    // Unchanged text is most of a typical result, so the output is about the new text's size.
    doc.text.reserve(docnew.size() + docnew.size() / 16);
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        if (run.kind != RunKind::Same) {
            const bool deleted = run.kind == RunKind::Deleted;
            const Marking marking{deleted ? kDeletedRed : kInsertedBlue, deleted};
            doc.text.push_back(kChangeMarker);
            appendRun(doc.runs, 1, Marking{marking.colour, marking.strike, true});
            doc.text.append(run.text);
            appendRun(doc.runs, run.text.size(), marking);
        } else {
            doc.text.append(run.text);
            appendRun(doc.runs, run.text.size(), Marking{});
        }
    }
    if (allPlain(doc.runs)) doc.runs.clear();
    doc.breaks = markedBreaks(engine, docnew, docold, newBreaks, oldBreaks);
    return doc;
}

}  // namespace scrivane
