#include "compare/markup_format.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/pure/line_ends.h"
#include "platform/pure/rtf_reader.h"
#include "platform/pure/rtf_writer.h"
#include "platform/pure/text_ops.h"

namespace scrivane {

namespace {

constexpr std::string_view kStrike = "\\strike";
constexpr std::string_view kStrikeEnd = "\\strike0";

// Removes, again and again, everything from the first "\strike" up to and including the
// first "\strike0", as long as that "\strike0" lies after the first "\strike". The string is
// walked once: `out` holds the finished front part (which never contains "\strike"), `i` is
// where the unread rest of `s` starts. A cut can join the end of `out` and the rest into a
// new "\strike", so the few bytes around the join are looked at as well.
std::string cutStruckStretches(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (true) {
        std::size_t startInOut = std::string::npos;
        const std::size_t tail = std::min<std::size_t>(out.size(), kStrike.size() - 1);
        if (tail > 0) {
            std::string join = out.substr(out.size() - tail);
            join.append(s.substr(i, kStrike.size()));
            const std::size_t p = join.find(kStrike);
            if (p < tail) startInOut = out.size() - tail + p;
        }
        std::size_t startInRest = std::string::npos;
        std::size_t afterWord = 0;  // index in `s` of the byte after that "\strike"
        if (startInOut != std::string::npos) {
            afterWord = i + kStrike.size() - (out.size() - startInOut);
        } else {
            startInRest = s.find(kStrike, i);
            if (startInRest == std::string_view::npos) break;
            afterWord = startInRest + kStrike.size();
        }
        if (afterWord < s.size() && s[afterWord] == '0') break;  // the first one is a "\strike0"
        const std::size_t end = s.find(kStrikeEnd, afterWord);
        if (end == std::string_view::npos) break;
        if (startInOut != std::string::npos) {
            out.resize(startInOut);
        } else {
            out.append(s.substr(i, startInRest - i));
        }
        i = end + kStrikeEnd.size();
    }
    out.append(s.substr(i));
    return out;
}

// A byte that stands in for an escaped backslash ("\\") while the stretches are cut, so that
// a typed backslash cannot start a control word. It must not occur in the RTF itself, or
// putting the pairs back would turn that byte into a backslash; byte 2 is used unless the
// RTF holds it, then any other byte that is neither in the RTF nor in the searched words.
int placeholderFor(std::string_view rtf) {
    std::array<bool, 256> present{};
    for (const char c : rtf) present[static_cast<unsigned char>(c)] = true;
    if (!present[2]) return 2;
    constexpr std::string_view kSearched = "\\'067strike ";
    for (int c = 1; c < 256; ++c) {
        if (!present[c] && kSearched.find(static_cast<char>(c)) == std::string_view::npos) {
            return c;
        }
    }
    return -1;
}

}  // namespace

std::string setdefrtf(const FontSpec& font) {
    // The writer's RTF of a document holding one line break: its single "\par " marks where
    // the body goes, its single "}}" the end of the font table.
    std::string rtf = writeRtf(RichText{"\r\n", {}}, font);
    rtf = replaceAll(rtf, "\\par ", kTextPlaceholder);
    std::string tableAfter = "}}";
    tableAfter += kColourTable;
    return replaceAll(rtf, "}}", tableAfter);
}

std::string stripstruckRtf(std::string rtf) {
    int placeholder = placeholderFor(rtf);
    if (placeholder < 0) {
        // Every usable byte occurs in the RTF: write raw bytes 2 in their escaped form, which
        // reads the same, and use byte 2.
        rtf = replaceAll(rtf, "\x02", "\\'02");
        placeholder = 2;
    }
    const char mark = static_cast<char>(placeholder);
    const std::string_view markView(&mark, 1);
    std::string s = replaceAll(rtf, "\\\\", markView);
    s = replaceAll(s, "\\'07", " ");
    s = replaceAll(s, "\\'06", "");
    s = cutStruckStretches(s);
    return replaceAll(s, markView, "\\\\");
}

std::string stripstruckText(std::string_view rtf) {
    return toCrLf(rtfToText(stripstruckRtf(std::string(rtf))));
}

namespace {

// Follows the line breaks of a document while some of its bytes are kept: every break of the
// kept bytes (each LF, and each CR that no kept LF follows, which becomes a CR LF) is written
// as the break of the line that byte ended in the document.
class BreakCarrier {
  public:
    explicit BreakCarrier(const std::vector<LineBreak>& breaks) : breaks_(breaks) {}

    void byte(char c, bool kept) {
        if (kept) {
            if (pendingCr_ && c != '\n') note(crLine_);
            pendingCr_ = false;
            if (c == '\r') {
                pendingCr_ = true;
                crLine_ = line_;
            } else if (c == '\n') {
                note(line_);
            }
        }
        if (c == '\n') ++line_;
    }
    std::vector<LineBreak> finish() {
        if (pendingCr_) note(crLine_);
        pendingCr_ = false;
        return std::move(out_);
    }

  private:
    void note(Pos line) {
        while (next_ < breaks_.size() && breaks_[next_].line < line) ++next_;
        if (next_ < breaks_.size() && breaks_[next_].line == line) {
            out_.push_back({outLine_, breaks_[next_].end});
        }
        ++outLine_;
    }

    const std::vector<LineBreak>& breaks_;
    std::size_t next_ = 0;
    Pos line_ = 0;  // line of the document at the byte read
    Pos outLine_ = 0;
    bool pendingCr_ = false;
    Pos crLine_ = 0;
    std::vector<LineBreak> out_;
};

}  // namespace

RichText strippedContent(const RichText& doc) {
    RichText out;
    out.text.reserve(doc.text.size());
    const std::string_view text = doc.text;
    // Kept bytes are copied in stretches; the breaks are followed byte by byte only when some
    // break is written otherwise than usual.
    BreakCarrier carrier(doc.breaks);
    const auto walk = [&](std::size_t from, std::size_t to, bool kept) {
        if (kept) out.text.append(text.substr(from, to - from));
        if (doc.breaks.empty()) return;
        for (std::size_t i = from; i < to; ++i) carrier.byte(text[i], kept);
    };
    // Runs are read as the writer reads them (see normalised()): cut at the end of the text,
    // any rest plain.
    std::size_t pos = 0;
    for (const TextRun& run : doc.runs) {
        if (pos >= text.size()) break;
        const std::size_t length = std::min(run.length, text.size() - pos);
        walk(pos, pos + length, !run.strike && !run.marker);
        pos += length;
    }
    walk(std::min(pos, text.size()), text.size(), true);
    out.breaks = carrier.finish();
    toCrLfInPlace(out.text);
    return out;
}

std::string strippedText(const RichText& doc) {
    return strippedContent(doc).text;
}

}  // namespace scrivane
