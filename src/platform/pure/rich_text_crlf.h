#pragma once

#include <string_view>

#include "platform/pure/rich_text.h"

namespace scrivane {

// Makes `doc` fit to be shown: its runs normalised (they cover the text exactly, see
// normalised()) and every lone CR or LF turned into CR LF, inside the run that held it. A CR
// LF pair split across two runs stays as it is.
RichText richTextWithCrLf(RichText doc);

// True when every CR is followed by LF and every LF follows a CR.
bool hasOnlyCrLf(std::string_view text);

// True when the runs are empty or their lengths add up to the text's exactly.
bool runsCoverText(const RichText& doc);

}  // namespace scrivane
