#include "scrivane_compare_ansi.h"

namespace scrivane::compare_tool {
namespace {

// Terminal rendering: CR LF as LF, each changed run between its marks.
void appendAnsi(std::string& out, std::string_view text, RunMarks marks) {
    if (text.empty()) return;
    out.append(marks.open);
    // Stretches between the CRs of CR LF pairs are copied whole.
    std::size_t from = 0;
    for (std::size_t at = text.find('\r'); at != std::string_view::npos;
         at = text.find('\r', at + 1)) {
        if (at + 1 < text.size() && text[at + 1] == '\n') {
            out.append(text.substr(from, at - from));
            from = at + 1;
        }
    }
    out.append(text.substr(from));
    out.append(marks.close);
}

}  // namespace

std::string ansiText(const CompareEngine& engine, std::string_view docnew, std::string_view docold,
                     const AnsiStyle& style) {
    std::string out;
    out.reserve(docnew.size() + docnew.size() / 8);
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        switch (run.kind) {
            case RunKind::Same:
                appendAnsi(out, run.text, {});
                break;
            case RunKind::Inserted:
                appendAnsi(out, run.text, style.inserted);
                break;
            case RunKind::Deleted:
                appendAnsi(out, run.text, style.deleted);
                break;
        }
    }
    if (!out.empty() && out.back() != '\n') out.push_back('\n');
    return out;
}

}  // namespace scrivane::compare_tool
