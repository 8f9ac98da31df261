#pragma once

#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"

namespace scrivane {

struct RtfReadResult {
    RichText doc;       // best-effort content, also when !ok
    bool ok = true;     // false: the input was malformed (unbalanced, truncated, too deep...)
    std::string error;  // a short description when !ok
};

// True when `data` starts (after optional blanks) with "{\rtf".
bool looksLikeRtf(std::string_view data);

// Reads RTF from our writer, from the marked-up comparison output (raw bytes, 0x06 included)
// and ordinary RTF from other programs. Never crashes, hangs or recurses without bound.
// A string that is not RTF is returned as its own plain text.
RtfReadResult readRtf(std::string_view rtf);

// The plain text of an RTF string (readRtf(rtf).doc.text).
std::string rtfToText(std::string_view rtf);

}  // namespace scrivane
