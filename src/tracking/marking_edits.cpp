#include "tracking/marking_edits.h"

#include <string>
#include <vector>

#include "compare/markup_format.h"
#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

// Past this many single edits, rewriting the whole content is the cheaper way.
constexpr std::size_t kMostEdits = 20000;

}  // namespace

bool markInPlace(RichTextBox& rtb, const CompareEngine& engine, std::string_view docnew,
                 std::string_view docold) {
    std::size_t changes = 0;
    bool foreignBytes = false;
    const bool utf8 = rtb.IsUtf8();
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        if (run.kind == RunKind::Same) continue;
        ++changes;
        // Deleted text that is not UTF-8 changes how the whole document is shown.
        if (utf8 && run.kind == RunKind::Deleted && !isValidUtf8(run.text)) foreignBytes = true;
    }
    if (changes > kMostEdits || foreignBytes) return false;
    Pos at = 0;
    std::string piece;
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        const auto length = static_cast<Pos>(run.text.size());
        switch (run.kind) {
            case RunKind::Same:
                at += length;
                break;
            case RunKind::Inserted:
                rtb.InsertAt(at, std::string_view(&kChangeMarker, 1),
                             Marking{kInsertedBlue, false, true});
                rtb.MarkRange(at + 1, length, Marking{kInsertedBlue});
                at += length + 1;
                break;
            case RunKind::Deleted:
                piece.assign(1, kChangeMarker);
                piece.append(run.text);
                rtb.InsertAt(at, piece, Marking{kDeletedRed, true});
                rtb.MarkRange(at, 1, Marking{kDeletedRed, true, true});
                at += length + 1;
                break;
        }
    }
    return true;
}

bool acceptInPlace(RichTextBox& rtb, Pos& removed) {
    removed = 0;
    struct Removal {
        Pos pos;
        Pos length;
    };
    std::vector<Removal> removals;
    {
        const std::string_view text = rtb.TextRange(0, rtb.TextLength());
        Pos pos = 0;
        for (const TextRun& run : rtb.Runs()) {
            const auto length = static_cast<Pos>(run.length);
            if (run.strike || run.marker) {
                // Neighbouring struck runs and markers go as one stretch.
                if (!removals.empty() && removals.back().pos + removals.back().length == pos) {
                    removals.back().length += length;
                } else {
                    removals.push_back({pos, length});
                }
                if (removals.size() > kMostEdits) return false;
            }
            pos += length;
        }
        // Each stretch joins the bytes on its two sides: never a CR to a non-LF.
        const auto n = static_cast<Pos>(text.size());
        for (const Removal& r : removals) {
            removed += r.length;
            const Pos to = r.pos + r.length;
            const char before = r.pos > 0 ? text[static_cast<std::size_t>(r.pos - 1)] : '\0';
            const char after = to < n ? text[static_cast<std::size_t>(to)] : '\0';
            if ((before == '\r') != (after == '\n')) return false;
        }
    }
    // From the end backwards, so that every position still means what it meant.
    for (auto r = removals.rbegin(); r != removals.rend(); ++r) rtb.RemoveAt(r->pos, r->length);
    rtb.MarkRange(0, rtb.TextLength(), Marking{});
    return true;
}

}  // namespace scrivane
