#pragma once

#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"

namespace scrivane {

// Writes a whole RTF document: header with the font table for `font`, then the body.
// Each CR LF becomes "\par ", '\\' '{' '}' are escaped, bytes 6 and 7 and every byte outside
// printable ASCII become "\'hh"; colour and strike runs become \cfN and \strike / \strike0.
// No \par follows the last character. The header holds "}}" exactly once (end of the font
// table) and never "\par ".
std::string writeRtf(const RichText& doc, const FontSpec& font);

}  // namespace scrivane
