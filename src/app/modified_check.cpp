#include "app/modified_check.h"

#include <cstring>

#include "compare/markup_format.h"

namespace scrivane {
namespace {

// A document without strike-through or colours is its own real content, byte for byte: bytes
// 6 and 7 are markers only in a document that a comparison or tracked editing has marked, and
// the file's own bytes must not make an unchanged document look modified.
bool isPlainContent(const RichTextBox& rtb, std::string_view text) {
    if (rtb.HasStrike()) return false;
    if (text.empty() || (std::memchr(text.data(), '\x06', text.size()) == nullptr &&
                         std::memchr(text.data(), '\x07', text.size()) == nullptr)) {
        return true;
    }
    for (const TextRun& run : rtb.Content().runs) {
        if (run.colour != kPlain || run.strike) return false;
    }
    return true;
}

}  // namespace

std::string realContent(const RichTextBox& mergedoc) {
    const Pos len = mergedoc.TextLength();
    const std::string_view text = mergedoc.TextRange(0, len);
    if (isPlainContent(mergedoc, text)) return std::string(text);
    return strippedText(mergedoc.Content());
}

bool isUnchanged(const RichTextBox& mergedoc) {
    const std::string_view text = mergedoc.TextRange(0, mergedoc.TextLength());
    if (isPlainContent(mergedoc, text)) return text == mergedoc.Tag();
    return strippedText(mergedoc.Content()) == mergedoc.Tag();
}

}  // namespace scrivane
