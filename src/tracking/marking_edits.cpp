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
                rtb.InsertAt(at, std::string_view(&kChangeMarker, 1), kInsertedBlue, false);
                rtb.MarkRange(at + 1, length, kInsertedBlue, false);
                at += length + 1;
                break;
            case RunKind::Deleted:
                piece.assign(1, kChangeMarker);
                piece.append(run.text);
                rtb.InsertAt(at, piece, kDeletedRed, true);
                at += length + 1;
                break;
        }
    }
    return true;
}

bool acceptInPlace(RichTextBox& rtb, Pos& removed) {
    removed = 0;
    struct Edit {
        Pos pos;
        Pos length;
        bool bell;  // becomes a blank rather than going
    };
    const std::vector<TextRun> runs = rtb.Runs();
    std::vector<Edit> edits;
    {
        const std::string_view text = rtb.TextRange(0, rtb.TextLength());
        std::size_t pos = 0;
        auto unstruck = [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) {
                if (text[i] == kChangeMarker) edits.push_back({static_cast<Pos>(i), 1, false});
                if (text[i] == '\x07') edits.push_back({static_cast<Pos>(i), 1, true});
            }
        };
        for (const TextRun& run : runs) {
            const std::size_t end = std::min(text.size(), pos + run.length);
            if (run.strike) {
                edits.push_back({static_cast<Pos>(pos), static_cast<Pos>(end - pos), false});
            } else {
                unstruck(pos, end);
            }
            pos = end;
            if (edits.size() > kMostEdits) return false;
        }
        unstruck(pos, text.size());
        if (edits.size() > kMostEdits) return false;
        // Each stretch of removals joins the bytes on its two sides: never a CR to a non-LF.
        const auto n = static_cast<Pos>(text.size());
        for (std::size_t i = 0; i < edits.size();) {
            if (edits[i].bell) {
                ++i;
                continue;
            }
            const Pos from = edits[i].pos;
            Pos to = from + edits[i].length;
            for (++i; i < edits.size() && !edits[i].bell && edits[i].pos == to; ++i) {
                to += edits[i].length;
            }
            removed += to - from;
            const char before = from > 0 ? text[static_cast<std::size_t>(from - 1)] : '\0';
            const char after = to < n ? text[static_cast<std::size_t>(to)] : '\0';
            if ((before == '\r') != (after == '\n')) return false;
        }
    }
    // From the end backwards, so that every position still means what it meant.
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        rtb.RemoveAt(edit->pos, edit->length);
        if (edit->bell) rtb.InsertAt(edit->pos, " ", kPlain, false);
    }
    rtb.MarkRange(0, rtb.TextLength(), kPlain, false);
    return true;
}

}  // namespace scrivane
