#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/pure/line_ends.h"
#include "platform/rich_text_box.h"
#include "platform/services.h"

namespace scrivane {

// A file read into a text the surface does not show yet.
struct LoadedFile {
    std::unique_ptr<PendingText> text;
    LineEnds usual = LineEnds::Lf;
    std::vector<LineBreak> breaks;
    bool readOnly = false;
};

enum class LoadOutcome { Loaded, Failed, Cancelled };

// Reads `path` piece by piece into a pending text of `surface`, telling its progress; Escape
// stops it. Before reading, the memory it will take is weighed against what the system has
// left, and a file that cannot fit is refused. Nothing the surface shows changes here: on
// failure `error` says why ("Not enough memory (...)", or the system's words).
LoadOutcome loadFile(Services& services, RichTextBox& surface, const std::string& path, bool wrap,
                     LoadedFile& loaded, std::string& error);

}  // namespace scrivane
