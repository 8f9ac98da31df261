#pragma once

#include <string_view>

#include "compare/compare_engine.h"
#include "platform/pure/rich_text.h"

namespace scrivane {

// The engine's last comparison of `docnew` with `docold` as the editing surface shows it:
// unchanged text plain, inserted runs blue and deleted runs red and struck, each begun by the
// change marker. It reads as the marked-up RTF document would, built straight from the runs.
RichText markedContent(const CompareEngine& engine, std::string_view docnew,
                       std::string_view docold);

}  // namespace scrivane
