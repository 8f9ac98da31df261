#include "platform/qt/run_styling.h"

#include <Qsci/qsciscintillabase.h>

#include <algorithm>

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

// Bytes styled per message.
constexpr Pos kChunk = Pos{1} << 20;
// A request for more than kWhole bytes (a jump far ahead of the styled text, or an edit near
// the top seen from the end) is answered for the last kLinesAtOnce lines before its end
// alone, and at most kMostAtOnce bytes of them. Requests from wrapping in the background
// (about ten milliseconds of lines each) stay below kWhole and are styled whole.
constexpr Pos kWhole = Pos{2} << 20;
constexpr Pos kLinesAtOnce = 1024;
constexpr Pos kMostAtOnce = Pos{8} << 20;
// How far back a restyle looks for the start of the run it begins in.
constexpr Pos kRunLookBack = 256;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

static_assert(kWrapMode == Sci::SC_WRAP_WHITESPACE);

void prepareLayout(QsciScintillaBase& editor) {
    editor.SendScintilla(Sci::SCI_SETWRAPMODE, static_cast<unsigned long>(kWrapMode));
    // Widths of short runs kept (two-way associative; the default, 1024, keeps too few
    // words of a real text to serve most of them).
    editor.SendScintilla(Sci::SCI_SETPOSITIONCACHE, 1UL << 18);
    // Layouts kept for the lines in view, the caret's line in a slot of its own. With the
    // default (the caret's line only, in a slot every line shares) painting a long line and
    // the empty one after it lays the long one out again at every paint.
    editor.SendScintilla(Sci::SCI_SETLAYOUTCACHE, static_cast<unsigned long>(Sci::SC_CACHE_PAGE));
    // No annotations (the widget shows them by default): with them shown, every inserted line
    // is laid out and wrapped at once to find its height, a paste of 10 MB taking seconds,
    // instead of being left to wrapping in the background.
    editor.SendScintilla(Sci::SCI_ANNOTATIONSETVISIBLE,
                         static_cast<unsigned long>(Sci::ANNOTATION_HIDDEN));
}

void runStyles(std::string_view text, std::string& styles) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        if (isBlank(text[i])) {
            while (end < text.size() && isBlank(text[end])) ++end;
            for (std::size_t piece = 0; i < end; ++piece) {
                const std::size_t length = std::min(kBlankPiece, end - i);
                styles.append(length, static_cast<char>(kBlankStyles[piece % 2]));
                i += length;
            }
        } else {
            while (end < text.size() && !isBlank(text[end])) ++end;
            styles.append(end - i, static_cast<char>(kWordStyle));
            i = end;
        }
    }
}

long RunStyler::sci(unsigned int msg, unsigned long wParam, long lParam) const {
    return editor_.SendScintilla(msg, wParam, lParam);
}

Pos RunStyler::runStart(Pos pos) const {
    const auto blankAt = [this](Pos p) {
        return isBlank(static_cast<char>(sci(Sci::SCI_GETCHARAT, static_cast<unsigned long>(p))));
    };
    if (pos <= 0 || pos >= sci(Sci::SCI_GETLENGTH)) return pos;
    const bool blank = blankAt(pos);
    const Pos limit = std::max<Pos>(0, pos - kRunLookBack);
    while (pos > limit && blankAt(pos - 1) == blank) --pos;
    return pos;
}

void RunStyler::styleRange(Pos from, Pos to) {
    sci(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(from), 0xFF);
    // Read on either side of the buffer's gap: a range across it would move the gap first.
    const Pos gap = sci(Sci::SCI_GETGAPPOSITION);
    for (Pos at = from; at < to;) {
        Pos end = std::min(to, at + kChunk);
        if (at < gap && end > gap) end = gap;
        const auto* bytes = reinterpret_cast<const char*>(sci(
            Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(at), static_cast<long>(end - at)));
        styles_.clear();
        runStyles(std::string_view(bytes, static_cast<std::size_t>(end - at)), styles_);
        editor_.SendScintilla(Sci::SCI_SETSTYLINGEX, static_cast<uintptr_t>(styles_.size()),
                              styles_.data());
        at = end;
    }
}

void RunStyler::styleNeeded(Pos position) {
    const Pos styledEnd = sci(Sci::SCI_GETENDSTYLED);
    position = std::min<Pos>(position, sci(Sci::SCI_GETLENGTH));
    if (position <= styledEnd) return;
    Pos from = styledEnd;
    if (position - styledEnd > kWhole) {
        const Pos lastLine = sci(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
        const Pos firstLine = std::max<Pos>(0, lastLine - kLinesAtOnce);
        from = std::max({styledEnd,
                         sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(firstLine)),
                         position - kMostAtOnce});
    }
    const bool partial = from > styledEnd;
    styleRange(runStart(from), position);
    // The text between stays as it was styled before (its runs moved with it through edits):
    // the editor asks again from where its styled text ended, and gets the rest piece by piece
    // as it lays those lines out.
    if (partial) sci(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(styledEnd), 0xFF);
}

}  // namespace scrivane
