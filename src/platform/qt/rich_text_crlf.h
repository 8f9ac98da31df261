#pragma once

#include "platform/pure/rich_text.h"

namespace scrivane {

// Makes `doc` fit to be shown: the runs cover the text exactly (runs past the end are cut,
// an uncovered tail is plain) and every lone CR or LF becomes CR LF, inside the run that held
// it. A CR LF pair split across two runs stays as it is.
RichText richTextWithCrLf(RichText doc);

// True when some run is coloured or struck.
bool hasMarking(const RichText& doc);

}  // namespace scrivane
