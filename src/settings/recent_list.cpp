#include "settings/recent_list.h"

#include "platform/pure/text_ops.h"

namespace scrivane {

namespace {

// ASCII only, so that UTF-8 sequences are never touched.
std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The trimmed path as it is shown: lower-cased only where file names ignore case.
std::string shownPath(std::string_view fname, PathStyle style) {
    const std::string_view t = trimBlanks(fname);
    return style == PathStyle::Windows ? lowerAscii(t) : std::string(t);
}

// Menu captions treat '&' as the access-key marker; a literal one is written twice.
std::string escapeAccessKeys(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

}  // namespace

char pathSeparator(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

std::string strextr(std::string& st, std::string_view ch) {
    const auto at = ch.empty() ? std::string::npos : st.find(ch);
    if (at == std::string::npos) {
        std::string whole = std::move(st);
        st.clear();
        return whole;
    }
    const std::string_view view(st);
    std::string before(trimBlanks(view.substr(0, at)));
    std::string after(trimBlanks(view.substr(at + ch.size())));
    st = std::move(after);
    return before;
}

std::string fileof(std::string_view fname, PathStyle style) {
    std::string t = shownPath(fname, style);
    const auto sep = t.rfind(pathSeparator(style));
    return sep == std::string::npos ? t : t.substr(sep + 1);
}

std::string dirof(std::string_view fname, PathStyle style) {
    std::string t = shownPath(fname, style);
    const std::string f = fileof(t, style);
    if (f.size() >= t.size()) return {};
    t.resize(t.size() - f.size() - 1);
    return t;
}

bool SetRecent(std::string& recentlist, const std::string& fname) {
    if (fname.empty()) return false;
    // A '|' would split the entry in two and a line break would split the settings file's
    // line; a name longer than the limit would push every entry out and still not fit.
    if (fname.find_first_of("|\r\n") != std::string::npos) return false;
    const std::string key = "|" + fname + "|";
    if (key.size() > kRecentListLimit) return false;

    const auto at = recentlist.find(key);
    if (at != std::string::npos) {
        // Keep up to and including the key's leading '|', then what follows the key.
        recentlist = recentlist.substr(0, at + 1) + recentlist.substr(at + key.size());
    }
    // Only a leading '|' is dropped: a hand-edited list without one keeps its first entry.
    const std::size_t skip = !recentlist.empty() && recentlist.front() == '|' ? 1 : 0;
    recentlist = key + recentlist.substr(skip);

    if (recentlist.size() > kRecentListLimit) {
        recentlist.resize(kRecentListLimit);
        recentlist.resize(recentlist.rfind('|') + 1);
    }
    return true;
}

std::vector<RecentItem> recentMenuItems(std::string& recentlist, PathStyle style) {
    constexpr std::size_t kTrimFrom = 999;
    std::string copy = recentlist;
    if (copy.size() >= kTrimFrom) {
        const auto bar = copy.rfind('|');
        copy.resize(bar == std::string::npos ? 0 : bar + 1);
    }
    recentlist = copy;

    std::vector<RecentItem> items;
    while (!copy.empty()) {
        std::string entry = strextr(copy, "|");
        if (entry.empty()) continue;
        // Without a separator strextr hands back the rest untrimmed.
        entry = std::string(trimBlanks(entry));
        if (entry.empty()) continue;
        const std::string shown =
            fileof(dirof(entry, style), style) + pathSeparator(style) + fileof(entry, style);
        items.push_back(
            {entry, "&" + std::to_string(items.size() + 1) + " " + escapeAccessKeys(shown)});
        if (items.size() >= kRecentMenuItems) break;
    }
    return items;
}

}  // namespace scrivane
