#include "tracking/modified_check.h"

#include "compare/markup_format.h"

namespace scrivane {
// A document without strike-through or colours is its own real content, byte for byte: bytes
// 6 and 7 are markers only in a document that a comparison or tracked editing has marked, and
// a file's own bytes must not make an unchanged document look modified.

std::string realContent(const RichTextBox& mergedoc) {
    std::vector<TextRun> runs = mergedoc.Runs();
    if (runs.empty()) return mergedoc.Text();
    return strippedText(RichText{mergedoc.Text(), std::move(runs)});
}

bool isUnchanged(const RichTextBox& mergedoc) {
    std::vector<TextRun> runs = mergedoc.Runs();
    const std::string_view text = mergedoc.TextRange(0, mergedoc.TextLength());
    if (runs.empty()) return text == mergedoc.Tag();
    return strippedText(RichText{std::string(text), std::move(runs)}) == mergedoc.Tag();
}

bool isUnchanged(const RichTextBox& mergedoc, ModifiedCheck& last) {
    const std::uint64_t revision = mergedoc.Revision();
    const std::uint64_t tagGeneration = mergedoc.TagGeneration();
    if (!last.known || last.revision != revision || last.tagGeneration != tagGeneration) {
        last = ModifiedCheck{true, revision, tagGeneration, isUnchanged(mergedoc)};
    }
    return last.unchanged;
}

}  // namespace scrivane
