#include "tracking/modified_check.h"

#include "compare/markup_format.h"

namespace scrivane {

RichText realDocument(const RichTextBox& mergedoc) {
    RichText doc = mergedoc.Content();
    if (doc.runs.empty()) return doc;
    return strippedContent(doc);
}

std::string realContent(const RichTextBox& mergedoc) {
    std::vector<TextRun> runs = mergedoc.Runs();
    if (runs.empty()) return mergedoc.Text();
    return strippedText(RichText{mergedoc.Text(), std::move(runs)});
}

namespace {

// What comparing the real content of a marked document with `stored` found, read straight
// from the text and its runs without building the content.
enum class Streamed { Equal, Different, Unsure };

Streamed compareStripped(std::string_view text, const std::vector<TextRun>& runs,
                         const std::vector<std::string_view>& stored) {
    std::size_t piece = 0;  // of `stored`, and its next byte to match
    std::size_t at = 0;
    // Whether `stored` is all matched, past the pieces matched whole.
    auto storedEnded = [&] {
        for (; piece < stored.size() && at == stored[piece].size(); ++piece) at = 0;
        return piece == stored.size();
    };
    std::size_t pos = 0;
    char lastKept = '\0';
    bool afterRemoval = false;
    // A removal that joins a CR to something other than LF would be mended by stripping:
    // only the built content can tell then.
    auto keep = [&](char c) {
        if (afterRemoval && ((lastKept == '\r') != (c == '\n'))) return Streamed::Unsure;
        afterRemoval = false;
        lastKept = c;
        if (storedEnded() || stored[piece][at] != c) return Streamed::Different;
        ++at;
        return Streamed::Equal;
    };
    auto walk = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const Streamed step = keep(text[i]);
            if (step != Streamed::Equal) return step;
        }
        return Streamed::Equal;
    };
    for (const TextRun& run : runs) {
        if (pos >= text.size()) break;
        const std::size_t end = std::min(text.size(), pos + run.length);
        if (run.strike || run.marker) {
            afterRemoval = true;
        } else if (const Streamed step = walk(pos, end); step != Streamed::Equal) {
            return step;
        }
        pos = end;
    }
    if (const Streamed step = walk(pos, text.size()); step != Streamed::Equal) return step;
    if (afterRemoval && lastKept == '\r') return Streamed::Unsure;
    return storedEnded() ? Streamed::Equal : Streamed::Different;
}

}  // namespace

bool isUnchanged(const RichTextBox& mergedoc, const StoredText& stored) {
    // A read-only document keeps no copy of itself: nothing can have changed it.
    if (mergedoc.ReadOnly()) return true;
    if (stored.knownSameAs(mergedoc.Revision())) return true;
    std::vector<TextRun> runs = mergedoc.Runs();
    if (runs.empty()) return holdsStored(mergedoc, stored);
    const std::string_view text = mergedoc.TextRange(0, mergedoc.TextLength());
    // The stored text's pieces of this text come from the same view.
    const std::vector<std::string_view> pieces = stored.pieces(mergedoc, {text, {}});
    switch (compareStripped(text, runs, pieces)) {
        case Streamed::Equal:
            return true;
        case Streamed::Different:
            return false;
        case Streamed::Unsure:
            break;
    }
    const std::string real = strippedText(RichText{std::string(text), std::move(runs)});
    return samePieces(pieces, {real});
}

bool isUnchanged(const RichTextBox& mergedoc, const StoredText& stored, ModifiedCheck& last) {
    const std::uint64_t revision = mergedoc.Revision();
    const std::uint64_t generation = stored.generation();
    if (!last.known || last.revision != revision || last.storedGeneration != generation) {
        last = ModifiedCheck{true, revision, generation, isUnchanged(mergedoc, stored)};
    }
    return last.unchanged;
}

}  // namespace scrivane
