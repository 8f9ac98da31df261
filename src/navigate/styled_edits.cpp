#include "navigate/styled_edits.h"

#include <algorithm>

#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

// Walks the marking of a text from its start, handing out the marking of consecutive bytes.
class RunCursor {
  public:
    RunCursor(const std::vector<TextRun>& runs, std::size_t textSize)
        : runs_(runs), plainSize_(runs.empty() ? textSize : 0) {}

    // Appends the marking of the next `length` bytes to `out`.
    void copy(std::vector<TextRun>& out, std::size_t length) {
        if (runs_.empty()) {
            appendRun(out, length, kPlain, false);
            return;
        }
        while (length > 0 && index_ < runs_.size()) {
            const TextRun& run = runs_[index_];
            const std::size_t take = std::min(length, run.length - offset_);
            appendRun(out, take, run.colour, run.strike);
            advance(take);
            length -= take;
        }
        // Runs shorter than the text: the rest is plain.
        appendRun(out, length, kPlain, false);
    }

    void skip(std::size_t length) {
        while (length > 0 && index_ < runs_.size()) {
            const std::size_t take = std::min(length, runs_[index_].length - offset_);
            advance(take);
            length -= take;
        }
    }

    // The marking of the next byte.
    TextRun peek() const {
        if (index_ < runs_.size()) return runs_[index_];
        return TextRun{plainSize_, kPlain, false};
    }

  private:
    void advance(std::size_t n) {
        offset_ += n;
        while (index_ < runs_.size() && offset_ >= runs_[index_].length) {
            offset_ -= runs_[index_].length;
            ++index_;
        }
    }

    const std::vector<TextRun>& runs_;
    std::size_t plainSize_;
    std::size_t index_ = 0;
    std::size_t offset_ = 0;
};

void dropPlainRuns(std::vector<TextRun>& runs) {
    const bool allPlain = std::all_of(
        runs.begin(), runs.end(), [](const TextRun& r) { return r.colour == kPlain && !r.strike; });
    if (allPlain) runs.clear();
}

}  // namespace

StyledEdit replaceAllStyled(std::string_view text, const std::vector<TextRun>& runs,
                            std::string_view from, std::string_view to, Colour colour) {
    StyledEdit edit;
    if (from.empty()) return edit;
    std::size_t at = text.find(from);
    if (at == std::string_view::npos) return edit;
    RunCursor cursor(runs, text.size());
    colour &= kColourMask;
    // Counted first, so that the new text is allocated once at its final size.
    std::size_t count = 0;
    for (std::size_t i = at; i != std::string_view::npos; i = text.find(from, i + from.size())) {
        ++count;
    }
    edit.doc.text.reserve(text.size() - count * from.size() + count * to.size());
    std::size_t pos = 0;
    for (; at != std::string_view::npos; at = text.find(from, pos)) {
        edit.doc.text.append(text.substr(pos, at - pos));
        cursor.copy(edit.doc.runs, at - pos);
        cursor.skip(from.size());
        edit.doc.text.append(to);
        appendRun(edit.doc.runs, to.size(), colour, false);
        pos = at + from.size();
        ++edit.count;
    }
    edit.doc.text.append(text.substr(pos));
    cursor.copy(edit.doc.runs, text.size() - pos);
    dropPlainRuns(edit.doc.runs);
    return edit;
}

StyledEdit fixIndentsStyled(std::string_view text, const std::vector<TextRun>& runs, char chold,
                            char chnew, Colour colour, std::size_t maxDepth) {
    StyledEdit edit;
    colour &= kColourMask;
    RunCursor cursor(runs, text.size());
    std::size_t styledUpTo = 0;  // marking of the new text is written up to here
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t depth = std::min(maxDepth, text.size() - lineStart);
        for (std::size_t k = 0; k < depth; ++k) {
            const std::size_t at = lineStart + k;
            const char c = text[at];
            if (c == chnew) continue;
            if (c != chold) break;
            if (edit.count == 0) edit.doc.text.assign(text);
            edit.doc.text[at] = chnew;
            ++edit.count;
            cursor.copy(edit.doc.runs, at - styledUpTo);
            const TextRun old = cursor.peek();
            if (old.strike) {
                appendRun(edit.doc.runs, 1, old.colour, true);
            } else {
                appendRun(edit.doc.runs, 1, colour, false);
            }
            cursor.skip(1);
            styledUpTo = at + 1;
        }
        const std::size_t lf = text.find('\n', lineStart);
        if (lf == std::string_view::npos) break;
        lineStart = lf + 1;
    }
    if (edit.count == 0) return edit;
    cursor.copy(edit.doc.runs, text.size() - styledUpTo);
    dropPlainRuns(edit.doc.runs);
    return edit;
}

}  // namespace scrivane
