#pragma once

#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"

namespace scrivane {

// The colour table every marked-up document carries: 1 red (deleted), 2 blue (inserted),
// 3 green (declared, never produced).
inline constexpr std::string_view kColourTable =
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue0;}";

// First character of every run a comparison marks.
inline constexpr char kChangeMarker = '\x06';

// Placeholder for the body in the template.
inline constexpr std::string_view kTextPlaceholder = "$TEXT_";

// The marked-up document template (`defrtf`) for `font`: a complete RTF document holding
// kTextPlaceholder once where the body goes and kColourTable right after the font table.
std::string setdefrtf(const FontSpec& font);

// The document's RTF with struck-out runs and change markers removed, "\'07" read as a blank.
std::string stripstruckRtf(std::string rtf);
// The plain text of stripstruckRtf: the document's real content.
std::string stripstruckText(std::string_view rtf);

// The document's real content: its text without the struck runs and the markers, unmarked,
// each remaining line break written as it was. A CR whose LF was struck still ends its line.
RichText strippedContent(const RichText& doc);
// Its text alone. For a document whose 6 bytes are all markers and that holds no byte 7, it is
// exactly stripstruckText(writeRtf(doc, font)) for every font.
std::string strippedText(const RichText& doc);

}  // namespace scrivane
