#include "compare/marked_content.h"

#include "compare/markup_format.h"
#include "platform/pure/text_runs.h"

namespace scrivane {

RichText markedContent(const CompareEngine& engine, std::string_view docnew,
                       std::string_view docold) {
    RichText doc;
    // Unchanged text is most of a typical result, so the output is about the new text's size.
    doc.text.reserve(docnew.size() + docnew.size() / 16);
    for (const CompareRun& run : engine.runs(docnew, docold)) {
        if (run.kind != RunKind::Same) {
            const bool deleted = run.kind == RunKind::Deleted;
            doc.text.push_back(kChangeMarker);
            doc.text.append(run.text);
            appendRun(doc.runs, run.text.size() + 1, deleted ? kDeletedRed : kInsertedBlue,
                      deleted);
        } else {
            doc.text.append(run.text);
            appendRun(doc.runs, run.text.size(), kPlain, false);
        }
    }
    if (doc.runs.size() == 1 && doc.runs.front().colour == kPlain) doc.runs.clear();
    return doc;
}

}  // namespace scrivane
