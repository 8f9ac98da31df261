#pragma once

// Properties every comparison result must have, shared by the tests and the fuzz target.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compare/compare_engine.h"
#include "compare/markup_format.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/random_docs.h"
#include "platform/pure/rtf_reader.h"
#include "platform/pure/text_runs.h"
#include "platform/pure/utf8.h"

namespace scrivane::testing {

inline std::string chainText(const std::vector<Block>& blocks, BlockIndex head,
                             std::string_view doc) {
    std::string out;
    for (BlockIndex i : chainOf(blocks, head)) out.append(blocktextOf(blocks, doc, i));
    return out;
}

// The result as a reader sees it: unchanged text as is, "[+...]" inserted, "[-...]" deleted.
inline std::string display(const std::vector<Block>& blocks, std::string_view docnew,
                           std::string_view docold) {
    std::string out;
    for (const CompareRun& run : runsOf(blocks, docnew, docold)) {
        switch (run.kind) {
            case RunKind::Same:
                out += run.text;
                break;
            case RunKind::Inserted:
                out += "[+" + std::string(run.text) + "]";
                break;
            case RunKind::Deleted:
                out += "[-" + std::string(run.text) + "]";
                break;
        }
    }
    return out;
}

// Positions in the new text where the display changes colour or shows a marker: the start of
// every inserted run, both ends of every unchanged stretch that borders a change, and the
// place of every deleted run.
inline std::vector<std::int64_t> markPositions(const std::vector<Block>& blocks,
                                               std::string_view docnew, std::string_view docold) {
    struct Item {
        bool plain;
        std::int64_t start;
        std::int64_t end;
    };
    std::vector<Item> items;
    std::int64_t at = 0;  // place in the new text
    for (const CompareRun& run : runsOf(blocks, docnew, docold)) {
        const std::int64_t start = at;
        if (run.kind != RunKind::Deleted) at += static_cast<std::int64_t>(run.text.size());
        items.push_back({run.kind == RunKind::Same, start, at});
    }
    std::vector<std::int64_t> marks;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const bool plainBefore = k > 0 && items[k - 1].plain;
        if (!(items[k].plain && plainBefore) && k > 0) marks.push_back(items[k].start);
        if (!items[k].plain) marks.push_back(items[k].start);
    }
    return marks;
}

// Every property a result must have; an empty list when all hold.
inline std::vector<std::string> resultFaults(const std::vector<Block>& blocks,
                                             std::string_view docnew, std::string_view docold,
                                             std::string_view markup) {
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].nbytes < 0) faults.push_back("negative length in block " + std::to_string(i));
    }
    if (chainText(blocks, 1, docnew) != docnew) faults.push_back("new chain lost the new text");
    std::string shownNew;
    for (const CompareRun& run : runsOf(blocks, docnew, docold)) {
        if (run.text.empty()) faults.push_back("empty run");
        if (run.kind != RunKind::Deleted) shownNew += run.text;
    }
    if (shownNew != docnew) faults.push_back("runs do not show the new text");
    if (blocks.size() > 2 && chainText(blocks, 2, docold) != docold) {
        faults.push_back("old chain lost the old text");
    }
    if (!markup.empty()) {
        // In the marked-up RTF every byte 6 is a marker and a bell reads as a blank.
        std::string stripped = strippedText(withEveryByte6AMarker(readRtf(markup).doc));
        std::replace(stripped.begin(), stripped.end(), '\x07', ' ');
        std::string expected;
        for (const char c : docnew) {
            if (c != '\x06') expected += c == '\x07' ? ' ' : c;
        }
        if (stripped != toCrLf(expected)) faults.push_back("stripped markup is not the new text");
    }
    for (std::int64_t at : markPositions(blocks, docnew, docold)) {
        const auto i = static_cast<std::size_t>(at);
        if (i > 0 && i < docnew.size() && docnew[i - 1] == '\r' && docnew[i] == '\n') {
            faults.push_back("change border inside a CR LF pair at " + std::to_string(at));
            break;
        }
    }
    if (isValidUtf8(docnew)) {
        for (std::int64_t at : markPositions(blocks, docnew, docold)) {
            if (!isUtf8Boundary(docnew, static_cast<std::size_t>(at))) {
                faults.push_back("change border inside a character at " + std::to_string(at));
                break;
            }
        }
    }
    return faults;
}

}  // namespace scrivane::testing
