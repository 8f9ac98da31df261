#include "editing/styled_edits.h"

#include <algorithm>

#include "platform/pure/text_runs.h"
#include "platform/rich_text_box.h"

namespace scrivane {
namespace {

// The marking of the bytes of a text, read forward from its start.
class MarkingCursor {
  public:
    explicit MarkingCursor(const std::vector<TextRun>& runs) : runs_(runs) {}

    // The marking of the byte at `pos`; positions asked for never go back.
    Marking at(std::size_t pos) {
        while (index_ < runs_.size() && runStart_ + runs_[index_].length <= pos) {
            runStart_ += runs_[index_].length;
            ++index_;
        }
        return index_ < runs_.size() ? runs_[index_].marking() : Marking{};
    }

  private:
    const std::vector<TextRun>& runs_;
    std::size_t index_ = 0;
    std::size_t runStart_ = 0;
};

}  // namespace

StyledEdit replaceAllStyled(std::string_view text, std::string_view from, std::string_view to,
                            Colour colour) {
    StyledEdit edit;
    if (from.empty()) return edit;
    const Marking marking{colour & kColourMask};
    for (std::size_t at = text.find(from); at != std::string_view::npos;
         at = text.find(from, at + from.size())) {
        edit.edits.push_back(RangeEdit{static_cast<Pos>(at), static_cast<Pos>(from.size()),
                                       std::string(to), marking});
        ++edit.count;
    }
    return edit;
}

StyledEdit fixIndentsStyled(std::string_view text, const std::vector<TextRun>& runs, char chold,
                            char chnew, Colour colour, std::size_t maxDepth) {
    StyledEdit edit;
    const Marking typed{colour & kColourMask};
    MarkingCursor marking(runs);
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t depth = std::min(maxDepth, text.size() - lineStart);
        for (std::size_t k = 0; k < depth; ++k) {
            const std::size_t at = lineStart + k;
            const char c = text[at];
            if (c == chnew) continue;
            if (c != chold) break;
            const Marking old = marking.at(at);
            const Marking now = old.strike ? Marking{old.colour, true} : typed;
            ++edit.count;
            // Neighbouring bytes that end up marked alike are one edit.
            RangeEdit* last = edit.edits.empty() ? nullptr : &edit.edits.back();
            if (last != nullptr && last->pos + last->removed == static_cast<Pos>(at) &&
                last->marking == now) {
                ++last->removed;
                last->inserted.push_back(chnew);
            } else {
                edit.edits.push_back(
                    RangeEdit{static_cast<Pos>(at), 1, std::string(1, chnew), now});
            }
        }
        const std::size_t lf = text.find('\n', lineStart);
        if (lf == std::string_view::npos) break;
        lineStart = lf + 1;
    }
    return edit;
}

void applyEdits(RichTextBox& rtb, const std::vector<RangeEdit>& edits,
                const std::function<void(double done)>& progress) {
    constexpr std::size_t kTellEvery = 1024;
    std::size_t made = 0;
    for (auto e = edits.rbegin(); e != edits.rend(); ++e) {
        rtb.RemoveAt(e->pos, e->removed);
        rtb.InsertAt(e->pos, e->inserted, e->marking);
        if (progress && ++made % kTellEvery == 0) {
            progress(static_cast<double>(made) / static_cast<double>(edits.size()));
        }
    }
}

}  // namespace scrivane
