#pragma once

#include <cstdint>
#include <string_view>

#include "compare/compare_engine.h"
#include "platform/pure/rich_text.h"

namespace scrivane {

// The comparison of `docnew` with `docold` as the editing surface shows it: unchanged text
// plain, inserted runs blue and deleted runs red and struck, each begun by the change marker.
// It reads as the marked-up RTF document would, built straight from the blocks. `count`
// receives the number of marked runs. Throws std::length_error past the engine's block limit.
RichText markedContent(CompareEngine& engine, std::string_view docnew, std::string_view docold,
                       std::int64_t& count);

}  // namespace scrivane
