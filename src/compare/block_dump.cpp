#include <array>
#include <string>

#include "compare/compare_engine.h"

namespace scrivane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kColumnWidth = 12;
constexpr std::array<std::string_view, 9> kTitles = {
    "iwhich", "i", "iother", "pt0", "nbytes", "next", "isnew", "istrike", "isfound"};

// Right-aligned under its title; a value too wide for the column still keeps one blank
// before it.
void appendColumn(std::string& out, std::string_view value) {
    const std::size_t pad = value.size() < kColumnWidth ? kColumnWidth - value.size() : 1;
    out.append(pad, ' ');
    out.append(value);
}

std::string flag(bool value) {
    return value ? "-1" : "0";
}

void appendBlock(std::string& out, const std::vector<Block>& blocks, BlockIndex i,
                 std::string_view text) {
    const Block& b = blocks[i];
    const std::array<std::string, 9> values = {std::to_string(b.iwhich),
                                               std::to_string(i),
                                               std::to_string(b.iother),
                                               std::to_string(b.pt0),
                                               std::to_string(b.nbytes),
                                               std::to_string(b.pt0 + b.nbytes),
                                               flag(b.isnew),
                                               flag(b.istrike),
                                               flag(b.isfound)};
    for (const std::string& v : values) appendColumn(out, v);
    out.append(kLineEnd);
    out.append("-->");
    out.append(blocktextOf(blocks, text, i));
    out.append("<--");
    out.append(kLineEnd);
}

}  // namespace

std::string CompareEngine::dumpblocks(std::string_view docnew, std::string_view docold) const {
    std::string out = "New length: " + std::to_string(docnew.size());
    out.append(kLineEnd);
    for (std::string_view title : kTitles) appendColumn(out, title);
    out.append(kLineEnd);
    for (BlockIndex i : chainOf(blocks_, 1)) appendBlock(out, blocks_, i, docnew);
    out.append(kLineEnd);
    out.append("Old length: " + std::to_string(docold.size()));
    out.append(kLineEnd);
    // Equal texts build no old chain: block 2 does not exist then.
    if (nblocks() >= 2) {
        for (BlockIndex i : chainOf(blocks_, 2)) appendBlock(out, blocks_, i, docold);
    }
    return out;
}

}  // namespace scrivane
