#include "platform/pure/rtf_writer.h"

#include <array>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "platform/pure/text_runs.h"

namespace scrivane {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Entries 1 to 3 of every colour table we write; the marked-up documents rely on them.
constexpr std::array<Colour, 3> kStandardColours = {kDeletedRed, kInsertedBlue, 0x00FF00};

void appendHexEscape(std::string& out, unsigned char c) {
    out += "\\'";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
}

void appendNumber(std::string& out, long long n) {
    out += std::to_string(n);
}

// Font names go inside the font table, where ';' ends the name and a stray brace would
// unbalance the header. Every special byte is written in hex, also the backslash and '$',
// so that the header can never hold "}}" twice, "\par " or the body placeholder.
void appendFontName(std::string& out, const std::string& name) {
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        const bool special =
            c < 0x20 || c >= 0x7F || c == '\\' || c == '{' || c == '}' || c == ';' || c == '$';
        if (special) {
            appendHexEscape(out, c);
        } else {
            out += ch;
        }
    }
}

// Half-points for \fs: at least 1, and a size that is not a number gets the usual 10 pt.
long long halfPoints(double size) {
    if (!std::isfinite(size)) return 20;
    const double half = std::round(size * 2);
    if (half < 1) return 1;
    if (half > 32767) return 32767;
    return static_cast<long long>(half);
}

class ColourTable {
  public:
    explicit ColourTable(const std::vector<TextRun>& runs) {
        for (std::size_t i = 0; i < kStandardColours.size(); ++i) {
            index_.emplace(kStandardColours[i], static_cast<int>(i + 1));
        }
        for (const TextRun& run : runs) {
            if (run.colour == kPlain) continue;
            used_ = true;
            if (index_.emplace(run.colour, static_cast<int>(index_.size() + 1)).second) {
                extra_.push_back(run.colour);
            }
        }
    }

    void appendTo(std::string& out) const {
        if (!used_) return;
        out += "{\\colortbl ;";
        for (const Colour c : kStandardColours) appendEntry(out, c);
        for (const Colour c : extra_) appendEntry(out, c);
        out += '}';
    }

    int indexOf(Colour colour) const {
        if (colour == kPlain) return 0;
        return index_.at(colour);
    }

  private:
    static void appendEntry(std::string& out, Colour c) {
        out += "\\red";
        appendNumber(out, c & 0xFF);
        out += "\\green";
        appendNumber(out, (c >> 8) & 0xFF);
        out += "\\blue";
        appendNumber(out, (c >> 16) & 0xFF);
        out += ';';
    }

    std::unordered_map<Colour, int> index_;
    std::vector<Colour> extra_;
    bool used_ = false;
};

// Which bytes the body writes as something other than themselves.
constexpr std::array<bool, 256> makeSpecial() {
    std::array<bool, 256> special{};
    for (int c = 0; c < 256; ++c) {
        special[c] = c < 0x20 || c >= 0x7F || c == '\\' || c == '{' || c == '}';
    }
    return special;
}
constexpr std::array<bool, 256> kSpecial = makeSpecial();

void appendBodyText(std::string& out, std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        std::size_t plainEnd = i;
        while (plainEnd < n && !kSpecial[static_cast<unsigned char>(text[plainEnd])]) ++plainEnd;
        out.append(text.substr(i, plainEnd - i));
        i = plainEnd;
        if (i == n) break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
            out += "\\par ";
            i += 2;
            continue;
        }
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            appendHexEscape(out, c);
        }
        ++i;
    }
}

void appendColourWord(std::string& out, int index) {
    out += "\\cf";
    appendNumber(out, index);
}

// Writes the body run by run. At the start of a struck stretch the colour word comes
// first and "\strike" last; at its end "\strike0" comes first and a colour word always
// follows. Cutting everything from "\strike" up to and including "\strike0" therefore
// leaves "\cfN\cfM " behind: the colour words stay balanced and no blank is left over.
// Every sequence of control words ends with a blank, so that a following "\'hh" can be
// replaced or removed as a whole.
void appendBody(std::string& out, const RichText& doc, const ColourTable& colours) {
    Colour colour = kPlain;
    bool strike = false;
    std::size_t pos = 0;
    for (const TextRun& run : doc.runs) {
        if (strike && !run.strike) {
            out += "\\strike0";
            appendColourWord(out, colours.indexOf(run.colour));
            out += ' ';
        } else if (!strike && run.strike) {
            appendColourWord(out, colours.indexOf(run.colour));
            out += "\\strike ";
        } else if (run.colour != colour) {
            appendColourWord(out, colours.indexOf(run.colour));
            out += ' ';
        }
        colour = run.colour;
        strike = run.strike;
        appendBodyText(out, std::string_view(doc.text).substr(pos, run.length));
        pos += run.length;
    }
    appendBodyText(out, std::string_view(doc.text).substr(pos));
    if (strike) out += "\\strike0\\cf0 ";
}

}  // namespace

std::string writeRtf(const RichText& input, const FontSpec& font) {
    const RichText doc = normalised(input);
    const ColourTable colours(doc.runs);

    std::string out;
    out.reserve(doc.text.size() + doc.text.size() / 8 + 16 * doc.runs.size() + 256);
    out += "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil ";
    appendFontName(out, font.name);
    out += ";}}";
    colours.appendTo(out);
    out += "\\pard\\plain\\f0\\fs";
    appendNumber(out, halfPoints(font.size));
    if (font.bold) out += "\\b";
    if (font.italic) out += "\\i";
    out += ' ';
    appendBody(out, doc, colours);
    out += '}';
    return out;
}

}  // namespace scrivane
