#pragma once

#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"

namespace scrivane {

// What the settings file carries between runs. The defaults are the state of a first start
// with no settings file.
struct Settings {
    bool autoIndent = false;
    FontSpec font;
    std::string recentList;
    bool wrap = true;
    bool operator==(const Settings&) const = default;
};

inline constexpr const char* kSettingsFileName = "scrivane.ini";

// The seven lines of the settings file, each ended by CR LF. The size is written with '.' as
// the decimal separator whatever the locale, and with its fraction only when it has one.
std::string serializeSettings(const Settings& s);

// Applies a settings file's content line by line. A missing line applies its default (off, 10
// points, empty list); a line that cannot be read (empty, not a truth word or number, a size
// that is not a usable point size, an empty font name) leaves its setting as it was. Lines end
// at CR LF, LF or CR.
void applySettingsText(std::string_view fileContent, Settings& s);

// Where the settings file lives: beside the program when the user has put one there, else in
// the configuration directory (the program's directory when none is known).
std::string settingsPath(const std::string& programDir, const std::string& configDir,
                         bool programDirHasFile);

}  // namespace scrivane
