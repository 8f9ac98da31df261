#include "compare/marked_content.h"

#include "compare/markup_format.h"
#include "platform/pure/text_runs.h"

namespace scrivane {

RichText markedContent(CompareEngine& engine, std::string_view docnew, std::string_view docold,
                       std::int64_t& count) {
    engine.compareblocks(docnew, docold);
    count = 0;
    RichText doc;
    // Unchanged text is most of a typical result, so the output is about the new text's size.
    doc.text.reserve(docnew.size() + docnew.size() / 16);
    auto add = [&doc](std::string_view text, Colour colour, bool strike, bool marked) {
        if (marked) {
            doc.text.push_back(kChangeMarker);
            appendRun(doc.runs, 1, colour, strike);
        }
        doc.text.append(text);
        appendRun(doc.runs, text.size(), colour, strike);
    };
    const std::vector<Block>& blocks = engine.blocks();
    for (BlockIndex i : chainOf(blocks, 1)) {
        const Block& b = blocks[static_cast<std::size_t>(i)];
        if (b.nbytes > 0) {
            const std::string_view text = engine.blocktext(docnew, i);
            add(text, b.isnew ? kInsertedBlue : kPlain, false, b.isnew);
            if (b.isnew) ++count;
        }
        const BlockIndex j = b.iother;
        if (j > 0 && j <= engine.nblocks() && blocks[static_cast<std::size_t>(j)].nbytes > 0 &&
            blocks[static_cast<std::size_t>(j)].istrike) {
            add(engine.blocktext(docold, j), kDeletedRed, true, true);
            ++count;
        }
    }
    if (doc.runs.size() == 1 && doc.runs.front().colour == kPlain && !doc.runs.front().strike)
        doc.runs.clear();
    return doc;
}

}  // namespace scrivane
