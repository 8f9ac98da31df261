#pragma once

#include <string_view>
#include <vector>

#include "compare/compare_engine.h"
#include "platform/pure/rich_text.h"

namespace scrivane {

// The engine's last comparison of `docnew` with `docold` as the editing surface shows it:
// unchanged text plain, inserted runs blue and deleted runs red and struck, each begun by a
// change marker. It reads as the marked-up RTF document would, built straight from the runs.
// Each line break keeps how it was written: those of `docnew` as `newBreaks` say, those of the
// deleted text as `oldBreaks` say of `docold`.
RichText markedContent(const CompareEngine& engine, std::string_view docnew,
                       std::string_view docold, const std::vector<LineBreak>& newBreaks = {},
                       const std::vector<LineBreak>& oldBreaks = {});

// The breaks of that marked text alone.
std::vector<LineBreak> markedBreaks(const CompareEngine& engine, std::string_view docnew,
                                    std::string_view docold,
                                    const std::vector<LineBreak>& newBreaks,
                                    const std::vector<LineBreak>& oldBreaks);

}  // namespace scrivane
