#include "platform/pure/rtf_reader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/pure/text_runs.h"
#include "platform/pure/utf8.h"

namespace scrivane {

namespace {

// Deeper groups are still counted so that braces stay balanced, but their state is not
// saved: formatting changed inside them leaks out, which is the best a reader can do.
constexpr std::size_t kMaxDepth = 1024;
// RTF control words are at most 32 letters; parameters are clamped to this magnitude.
constexpr std::size_t kMaxWordLength = 32;
constexpr long long kMaxParam = 1'000'000'000;
constexpr long long kMaxUnicodeSkip = 255;
// Colour-table entries kept (4 MB); later ones read as plain. Far beyond any real document.
constexpr std::size_t kMaxColours = std::size_t{1} << 20;
constexpr char32_t kReplacement = 0xFFFD;

enum class Destination { Text, Skip, ColourTable };

struct GroupState {
    Colour colour = kPlain;
    bool strike = false;
    long long unicodeSkip = 1;
    Destination destination = Destination::Text;
};

struct ControlWord {
    std::string_view name;
    bool hasParam = false;
    long long param = 0;
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bytes that end a stretch of plain body text.
constexpr std::array<bool, 256> makeStops() {
    std::array<bool, 256> stops{};
    stops['{'] = stops['}'] = stops['\\'] = stops['\r'] = stops['\n'] = true;
    return stops;
}
constexpr std::array<bool, 256> kStops = makeStops();

// Groups whose content is never text. Any "{\*..." group is skipped as well.
constexpr std::array<std::string_view, 52> kSkippedDestinations = {
    "fonttbl",
    "stylesheet",
    "info",
    "pict",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "object",
    "objdata",
    "fldinst",
    "generator",
    "listtable",
    "listoverridetable",
    "rsidtbl",
    "revtbl",
    "filetbl",
    "themedata",
    "colorschememapping",
    "latentstyles",
    "datastore",
    "xmlnstbl",
    "pgdsctbl",
    "bkmkstart",
    "bkmkend",
    "nonshppict",
    "shpinst",
    "annotation",
    "atnid",
    "atnauthor",
    "xe",
    "tc",
    "txe",
    "userprops",
    "docvar",
    "private",
    "title",
    "author",
    "operator",
    "comment",
    "keywords",
    "subject",
    "doccomm",
    "company",
    "pn",
    "template",
    "mmathPr",
};

bool isSkippedDestination(std::string_view name) {
    return std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), name) !=
           kSkippedDestinations.end();
}

// One pass over the input; no recursion, state of open groups on an explicit stack.
class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}

    RtfReadResult run() {
        pos_ = in_.find('{');
        while (pos_ < in_.size() && !finished_) step();
        if (!finished_) fail("missing closing brace");
        flushSurrogate();
        RtfReadResult result;
        result.doc.text = std::move(text_);
        result.doc.runs = std::move(runs_);
        result.doc = normalised(std::move(result.doc));
        result.ok = error_.empty();
        result.error = std::move(error_);
        return result;
    }

  private:
    void fail(std::string_view what) {
        if (error_.empty()) error_ = what;
    }

    GroupState& state() { return stack_.back(); }

    void step() {
        const char c = in_[pos_];
        switch (c) {
            case '{':
                ++pos_;
                openGroup();
                return;
            case '}':
                ++pos_;
                closeGroup();
                return;
            case '\\':
                ++pos_;
                control();
                return;
            case '\r':
            case '\n':
                ++pos_;
                return;
            default:
                textRun();
        }
    }

    void openGroup() {
        pendingSkip_ = 0;
        if (stack_.empty()) {
            stack_.emplace_back();
        } else if (stack_.size() < kMaxDepth) {
            stack_.push_back(stack_.back());
        } else {
            ++overflow_;
            fail("groups nested too deep");
        }
    }

    void closeGroup() {
        pendingSkip_ = 0;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        stack_.pop_back();
        if (stack_.empty()) finished_ = true;
    }

    // A stretch of raw bytes up to the next brace, backslash or line break.
    void textRun() {
        std::size_t end = pos_;
        while (end < in_.size() && !kStops[static_cast<unsigned char>(in_[end])]) ++end;
        std::string_view chunk = in_.substr(pos_, end - pos_);
        pos_ = end;
        const std::size_t skipped = std::min<std::size_t>(chunk.size(), pendingSkip_);
        pendingSkip_ -= static_cast<long long>(skipped);
        chunk.remove_prefix(skipped);
        switch (state().destination) {
            case Destination::Text:
                emit(chunk);
                break;
            case Destination::ColourTable:
                for (const char c : chunk) {
                    if (c == ';') endColour();
                }
                break;
            case Destination::Skip:
                break;
        }
    }

    void emit(std::string_view bytes) {
        if (bytes.empty()) return;
        flushSurrogate();
        text_.append(bytes);
        appendRun(runs_, bytes.size(), state().colour, state().strike);
    }

    void emitByte(char c) { emit(std::string_view(&c, 1)); }

    void emitCodePoint(char32_t cp) {
        std::string utf8;
        appendUtf8(utf8, cp);
        emit(utf8);
    }

    void flushSurrogate() {
        if (highSurrogate_ == 0) return;
        highSurrogate_ = 0;
        emitCodePoint(kReplacement);
    }

    // A character that the fallback of a preceding \u may swallow.
    bool swallowedByUnicodeFallback() {
        if (pendingSkip_ == 0) return false;
        --pendingSkip_;
        return true;
    }

    void control() {
        if (pos_ >= in_.size()) {
            fail("truncated control word");
            return;
        }
        const char c = in_[pos_];
        if (isLetter(c)) {
            const ControlWord word = readWord();
            if (word.name == "bin") {
                skipBinary(word);
                return;
            }
            if (swallowedByUnicodeFallback()) return;
            applyWord(word);
            return;
        }
        ++pos_;
        if (c == '\'') {
            hexByte();
            return;
        }
        if (swallowedByUnicodeFallback()) return;
        if (c == '*') {
            state().destination = Destination::Skip;
            return;
        }
        if (state().destination != Destination::Text) return;
        switch (c) {
            case '\\':
            case '{':
            case '}':
                emitByte(c);
                break;
            case '\r':
            case '\n':
                emit("\r\n");
                break;
            // The document has no fixed code page: the non-breaking forms become their
            // ASCII look-alikes.
            case '~':
                emitByte(' ');
                break;
            case '_':
                emitByte('-');
                break;
            default:
                break;  // "\-" optional hyphen and unknown symbols show nothing
        }
    }

    ControlWord readWord() {
        ControlWord word;
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
        // Over-long words are consumed whole but match nothing.
        word.name = pos_ - start <= kMaxWordLength ? in_.substr(start, pos_ - start)
                                                   : std::string_view("?");
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            word.hasParam = true;
            word.param = std::min(kMaxParam, word.param * 10 + (in_[pos_] - '0'));
            ++pos_;
        }
        if (negative) word.param = -word.param;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        return word;
    }

    void hexByte() {
        const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
        const int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
        if (hi < 0 || lo < 0) {
            fail("malformed \\' escape");
            return;
        }
        pos_ += 2;
        if (swallowedByUnicodeFallback()) return;
        if (state().destination == Destination::Text) emitByte(static_cast<char>(hi * 16 + lo));
    }

    void skipBinary(const ControlWord& word) {
        const long long count = word.hasParam ? std::max(0LL, word.param) : 0;
        const std::size_t left = in_.size() - pos_;
        if (static_cast<unsigned long long>(count) > left) fail("\\bin runs past the end");
        pos_ += std::min<std::size_t>(left, static_cast<std::size_t>(count));
        swallowedByUnicodeFallback();
    }

    void applyWord(const ControlWord& word) {
        GroupState& st = state();
        if (st.destination == Destination::Skip) return;
        if (st.destination == Destination::ColourTable) {
            colourComponent(word);
            return;
        }
        const std::string_view n = word.name;
        if (n == "par" || n == "line" || n == "sect" || n == "page" || n == "row") {
            emit("\r\n");
        } else if (n == "tab" || n == "cell") {
            emitByte('\t');
        } else if (n == "cf") {
            st.colour = colourAt(word.param);
        } else if (n == "strike") {
            st.strike = !word.hasParam || word.param != 0;
        } else if (n == "plain") {
            st.colour = kPlain;
            st.strike = false;
        } else if (n == "uc") {
            st.unicodeSkip = std::clamp(word.param, 0LL, kMaxUnicodeSkip);
        } else if (n == "u") {
            if (word.hasParam) unicode(word.param);
        } else if (n == "colortbl") {
            st.destination = Destination::ColourTable;
            colours_.clear();
            resetColour();
        } else if (isSkippedDestination(n)) {
            st.destination = Destination::Skip;
        } else {
            special(n);
        }
    }

    // Typographic characters that Word writes as control words.
    void special(std::string_view n) {
        static constexpr std::array<std::pair<std::string_view, char32_t>, 7> kSpecials = {{
            {"emdash", 0x2014},
            {"endash", 0x2013},
            {"bullet", 0x2022},
            {"lquote", 0x2018},
            {"rquote", 0x2019},
            {"ldblquote", 0x201C},
            {"rdblquote", 0x201D},
        }};
        for (const auto& [name, cp] : kSpecials) {
            if (n == name) emitCodePoint(cp);
        }
    }

    void unicode(long long param) {
        const long long value = param < 0 ? param + 65536 : param;
        pendingSkip_ = state().unicodeSkip;
        if (value < 0 || value > 0x10FFFF) {
            emitCodePoint(kReplacement);
            return;
        }
        const auto cp = static_cast<char32_t>(value);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            flushSurrogate();
            highSurrogate_ = cp;
            return;
        }
        if (cp >= 0xDC00 && cp <= 0xDFFF) {
            if (highSurrogate_ == 0) {
                emitCodePoint(kReplacement);
                return;
            }
            const char32_t full = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00);
            highSurrogate_ = 0;
            emitCodePoint(full);
            return;
        }
        emitCodePoint(cp);
    }

    // The colour table: "\redR\greenG\blueB;" per entry; an entry without components is
    // the automatic colour, which the surface shows as plain.
    void colourComponent(const ControlWord& word) {
        const auto value = static_cast<Colour>(std::clamp(word.param, 0LL, 255LL));
        if (word.name == "red") {
            colour_ = (colour_ & 0xFFFF00) | value;
        } else if (word.name == "green") {
            colour_ = (colour_ & 0xFF00FF) | (value << 8);
        } else if (word.name == "blue") {
            colour_ = (colour_ & 0x00FFFF) | (value << 16);
        }
    }

    void endColour() {
        if (colours_.size() < kMaxColours) colours_.push_back(colour_);
        resetColour();
    }

    void resetColour() { colour_ = kPlain; }

    Colour colourAt(long long index) const {
        if (index <= 0 || static_cast<unsigned long long>(index) >= colours_.size()) return kPlain;
        return colours_[static_cast<std::size_t>(index)];
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::vector<GroupState> stack_;
    std::size_t overflow_ = 0;
    bool finished_ = false;
    long long pendingSkip_ = 0;
    char32_t highSurrogate_ = 0;
    std::vector<Colour> colours_;
    Colour colour_ = kPlain;
    std::string text_;
    std::vector<TextRun> runs_;
    std::string error_;
};

}  // namespace

bool looksLikeRtf(std::string_view data) {
    const std::size_t start = data.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && data.substr(start, 5) == "{\\rtf";
}

RtfReadResult readRtf(std::string_view rtf) {
    if (!looksLikeRtf(rtf)) {
        RtfReadResult plain;
        plain.doc.text = std::string(rtf);
        return plain;
    }
    return Reader(rtf).run();
}

std::string rtfToText(std::string_view rtf) {
    return readRtf(rtf).doc.text;
}

}  // namespace scrivane
