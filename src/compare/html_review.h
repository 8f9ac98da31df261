#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compare/compare_engine.h"

namespace scrivane {

// What the head of a review page names: the two files as given on the command line (bytes;
// shown with escapeInvalidUtf8).
struct ReviewNames {
    std::string_view newName;
    std::string_view oldName;
};

// True when the page shows the runs as UTF-8: every run is valid UTF-8 on its own, as the
// editor decides for a document that holds the struck old text beside the new. Otherwise
// every byte is one Latin-1 character.
bool reviewIsUtf8(const std::vector<CompareRun>& runs);

// A comparison as one self-contained HTML page in UTF-8 (a Latin-1 text is converted): the
// new text with inserted runs as <ins> (blue) and deleted runs as <del> (red, struck), the
// number of differences at the top, each change with the id "cN" (from 1) and a link to the
// next (the last to the first), and n/p keys that walk them. Runs hold CR LF breaks, as the
// tool reads files; every byte is escaped, control characters shown as named boxes.
std::string htmlReview(const std::vector<CompareRun>& runs, const ReviewNames& names);

}  // namespace scrivane
