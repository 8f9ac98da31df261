#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scrivane {

// How paths are spelled: the separator, and whether file names ignore letter case (so that
// shown names are lower-cased).
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

char pathSeparator(PathStyle style = kNativePathStyle);

// Splits `st` at the first `ch` (exact match): returns the part before it and leaves the part
// after it in `st`, both trimmed of blanks. Without `ch` (or with an empty `ch`) returns `st`
// unchanged and untrimmed, and empties `st`.
std::string strextr(std::string& st, std::string_view ch);

// The name after the last separator of the trimmed path (lower-cased where names ignore case).
std::string fileof(std::string_view fname, PathStyle style = kNativePathStyle);
// The directory of the trimmed path without its closing separator ("" for a bare name).
std::string dirof(std::string_view fname, PathStyle style = kNativePathStyle);

// Longest recent-files list kept, in bytes.
inline constexpr std::size_t kRecentListLimit = 3000;
// Most files shown in the File menu.
inline constexpr std::size_t kRecentMenuItems = 10;

// Moves `fname` to the head of the "|a|b|" list, dropping an earlier copy and whole entries
// past the length limit. Returns true when the list was updated and the settings must be
// written; false for an empty name or one the list cannot hold ('|', CR or LF in it, or
// longer than the limit by itself), which leave the list untouched.
bool SetRecent(std::string& recentlist, const std::string& fname);

struct RecentItem {
    std::string tag;      // the path, trimmed of blanks
    std::string caption;  // "&N folder/file", with any '&' of the names doubled
    bool operator==(const RecentItem&) const = default;
};

// The File menu's recent-file items, newest first, at most kRecentMenuItems. A list of 999
// bytes or more loses any text after its last '|' first, and that is stored back.
std::vector<RecentItem> recentMenuItems(std::string& recentlist,
                                        PathStyle style = kNativePathStyle);

}  // namespace scrivane
