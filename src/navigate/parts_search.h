#pragma once

#include <cstddef>
#include <optional>

#include "navigate/text_search.h"
#include "platform/text_buffer.h"

namespace scrivane {

// TextSearch over the editor's text where it lies, in the two runs around the component's gap,
// with the same answers as over the text in one run. Asking for the text in one run would first
// move the gap, copying up to the whole document; here only the few bytes a match could take
// across the seam are copied.
std::optional<ByteRange> searchForward(const TextSearch& search, const TextParts& text,
                                       std::size_t from,
                                       std::size_t before = std::string_view::npos);
std::optional<ByteRange> searchBackward(const TextSearch& search, const TextParts& text,
                                        std::size_t end, std::size_t notBefore = 0);
bool searchMatches(const TextSearch& search, const TextParts& text, const ByteRange& range);

// nextCharBorder of the text in two runs.
std::size_t nextCharBorder(const TextParts& text, std::size_t pos, Encoding encoding);

}  // namespace scrivane
