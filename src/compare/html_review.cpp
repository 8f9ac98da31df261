#include "compare/html_review.h"

#include <array>

#include "platform/pure/encoding.h"
#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

constexpr std::array<std::string_view, 32> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

// The colours are the editor's marks: inserted 0,0,255, deleted 255,0,0 and struck.
constexpr std::string_view kHead =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width\">\n"
    "<title>";

constexpr std::string_view kStyle =
    "</title>\n"
    "<style>\n"
    "body{margin:0;color:#000;background:#fff;font-family:sans-serif}\n"
    "header{padding:.3em .8em;background:#eee;border-bottom:1px solid #ccc}\n"
    "header p{margin:.3em 0}\n"
    "pre{margin:0;padding:.8em;white-space:pre-wrap;overflow-wrap:anywhere;"
    "font-family:monospace}\n"
    "ins{color:#00f;text-decoration:none}\n"
    "del{color:#f00;text-decoration:line-through}\n"
    "a.next{color:inherit;text-decoration:none}\n"
    ":target{outline:2px solid #fb0}\n"
    ".ctl{border:1px solid;border-radius:2px;font-size:.7em;padding:0 .15em}\n"
    "</style>\n"
    "</head>\n"
    "<body>\n"
    "<header>\n";

// n and p walk the changes, wrapping, from the one the address names.
constexpr std::string_view kScript =
    "<script>\n"
    "(function(){var n=document.querySelectorAll('pre ins,pre del').length,i=0;\n"
    "addEventListener('keydown',function(e){if(e.ctrlKey||e.altKey||e.metaKey||!n)return;\n"
    "var m=/^#c(\\d+)$/.exec(location.hash);if(m)i=+m[1];\n"
    "if(e.key=='n')i=i%n+1;else if(e.key=='p')i=i>1?i-1:n;else return;\n"
    "location.hash='#c'+i;});})();\n"
    "</script>\n";

void appendHex(std::string& out, unsigned value) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    out.push_back(digits[(value >> 4) & 0xF]);
    out.push_back(digits[value & 0xF]);
}

// Escapes UTF-8 text for the page. A CR, a LF or a CR LF (also one cut between two runs,
// hence `afterCr`) is one line break; other control characters become named boxes, so that
// none reaches the page raw.
void appendEscaped(std::string& out, std::string_view utf8, bool& afterCr) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool wasAfterCr = afterCr;
        afterCr = c == '\r';
        switch (c) {
            case '&':
                out.append("&amp;");
                continue;
            case '<':
                out.append("&lt;");
                continue;
            case '>':
                out.append("&gt;");
                continue;
            case '"':
                out.append("&quot;");
                continue;
            case '\'':
                out.append("&#39;");
                continue;
            case '\t':
                out.push_back('\t');
                continue;
            case '\r':
                out.push_back('\n');
                continue;
            case '\n':
                if (!wasAfterCr) out.push_back('\n');
                continue;
            default:
                break;
        }
        if (c < 0x20 || c == 0x7F) {
            out.append("<span class=\"ctl\">");
            out.append(c == 0x7F ? std::string_view("DEL") : kControlNames[c]);
            out.append("</span>");
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            // U+0080 to U+009F: the C1 controls, which a page would not show at all.
            out.append("<span class=\"ctl\">x");
            appendHex(out, static_cast<unsigned char>(utf8[++i]));
            out.append("</span>");
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

void appendName(std::string& out, std::string_view name) {
    bool afterCr = false;
    appendEscaped(out, escapeInvalidUtf8(name), afterCr);
}

}  // namespace

bool reviewIsUtf8(const std::vector<CompareRun>& runs) {
    for (const CompareRun& run : runs) {
        if (!isValidUtf8(run.text)) return false;
    }
    return true;
}

std::string htmlReview(const std::vector<CompareRun>& runs, const ReviewNames& names) {
    const bool utf8 = reviewIsUtf8(runs);
    std::int64_t changes = 0;
    std::size_t bytes = 0;
    for (const CompareRun& run : runs) {
        if (run.kind != RunKind::Same) ++changes;
        bytes += run.text.size();
    }

    std::string out;
    out.reserve(bytes + bytes / 8 + static_cast<std::size_t>(changes) * 48 + 2048);
    out.append(kHead);
    appendName(out, names.newName);
    out.append(" compared with ");
    appendName(out, names.oldName);
    out.append(kStyle);
    out.append("<p><strong id=\"count\">");
    out.append(differencesText(changes));
    out.append("</strong>");
    if (changes > 0) {
        out.append(
            " <a href=\"#c1\">First change</a> &middot; n, p: next, previous change; a click on a "
            "change goes to the next");
    }
    out.append("</p>\n<p>");
    appendName(out, names.newName);
    out.append(" (<ins>inserted</ins>, <del>deleted</del>) compared with ");
    appendName(out, names.oldName);
    out.append(utf8 ? ", UTF-8" : ", Latin-1");
    out.append("</p>\n</header>\n");

    // The parser drops a line break right after <pre>: this one, not the text's first.
    out.append("<pre>\n");
    bool afterCr = false;
    std::int64_t number = 0;
    std::string converted;
    for (const CompareRun& run : runs) {
        std::string_view text = run.text;
        if (!utf8) {
            converted = documentToUtf8(text, false);
            text = converted;
        }
        if (run.kind == RunKind::Same) {
            appendEscaped(out, text, afterCr);
            continue;
        }
        ++number;
        const std::string_view tag = run.kind == RunKind::Inserted ? "ins" : "del";
        out.append("<a class=\"next\" href=\"#c");
        out.append(std::to_string(number < changes ? number + 1 : 1));
        out.append("\"><");
        out.append(tag);
        out.append(" id=\"c");
        out.append(std::to_string(number));
        out.append("\">");
        appendEscaped(out, text, afterCr);
        out.append("</");
        out.append(tag);
        out.append("></a>");
    }
    out.append("</pre>\n");
    out.append(kScript);
    out.append("</body>\n</html>\n");
    return out;
}

}  // namespace scrivane
