#include "platform/pure/rich_text_crlf.h"

#include <algorithm>
#include <string_view>

#include "platform/pure/line_ends.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
bool hasOnlyCrLf(std::string_view text) {
    return firstLoneBreak(text) == text.size();
}

bool runsCoverText(const RichText& doc) {
    if (doc.runs.empty()) return true;
    std::size_t total = 0;
    for (const TextRun& run : doc.runs) {
        total += run.length;
        if (total > doc.text.size()) return false;
    }
    return total == doc.text.size();
}

RichText richTextWithCrLf(RichText doc) {
    doc = normalised(std::move(doc));
    if (hasOnlyCrLf(doc.text)) return doc;

    const std::string& in = doc.text;
    std::string out;
    out.reserve(in.size() + in.size() / 16 + 2);
    auto emit = [&](std::size_t i) {
        const char c = in[i];
        const bool pairedCr = c == '\r' && i + 1 < in.size() && in[i + 1] == '\n';
        const bool pairedLf = c == '\n' && i > 0 && in[i - 1] == '\r';
        if ((c == '\r' && !pairedCr) || (c == '\n' && !pairedLf)) {
            out += "\r\n";
        } else {
            out += c;
        }
    };

    if (doc.runs.empty()) {
        for (std::size_t i = 0; i < in.size(); ++i) emit(i);
    } else {
        std::size_t i = 0;
        for (TextRun& run : doc.runs) {
            const std::size_t before = out.size();
            for (const std::size_t end = i + run.length; i < end; ++i) emit(i);
            run.length = out.size() - before;
        }
    }
    doc.text = std::move(out);
    return doc;
}

}  // namespace scrivane
