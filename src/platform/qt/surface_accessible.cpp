#include "platform/qt/surface_accessible.h"

#include <Qsci/qsciscintillabase.h>

#include <QAccessible>
#include <algorithm>
#include <climits>
#include <string_view>

#include "platform/qt/scintilla_surface.h"
#include "platform/qt/surface_widget.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;
using Offset = std::int64_t;

long sci(const Sci& editor, unsigned int msg, unsigned long wParam = 0, long lParam = 0) {
    return editor.SendScintilla(msg, wParam, lParam);
}

bool isUtf8(const Sci& editor) {
    return sci(editor, Sci::SCI_GETCODEPAGE) == Sci::SC_CP_UTF8;
}

Offset lengthOf(const Sci& editor) {
    return sci(editor, Sci::SCI_GETLENGTH);
}

int toInt(Offset value) {
    return static_cast<int>(std::clamp<Offset>(value, -1, INT_MAX));
}

// The bytes [from, to): moves the editor's gap only when the range straddles it, by no more
// than the range.
std::string_view bytesOf(const Sci& editor, Offset from, Offset to) {
    if (to <= from) return {};
    const auto* bytes = reinterpret_cast<const char*>(
        sci(editor, Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
    return {bytes, static_cast<std::size_t>(to - from)};
}

QString decode(const Sci& editor, Offset from, Offset to) {
    const std::string_view bytes = bytesOf(editor, from, to);
    const auto size = static_cast<qsizetype>(bytes.size());
    return isUtf8(editor) ? QString::fromUtf8(bytes.data(), size)
                          : QString::fromLatin1(bytes.data(), size);
}

// Bytes of the UTF-8 character that starts `bytes`: a byte that starts no whole sequence is
// a character of its own, as the editor takes it.
std::size_t utf8Width(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t width = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        width = 2;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        width = 3;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        width = 4;
    } else {
        return 1;
    }
    if (width > bytes.size()) return 1;
    for (std::size_t i = 1; i < width; ++i) {
        if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) return 1;
    }
    return width;
}

// A four-byte character is a surrogate pair.
Offset unitsOfWidth(std::size_t width) {
    return width == 4 ? 2 : 1;
}

Offset unitsIn(std::string_view bytes) {
    Offset units = 0;
    while (!bytes.empty()) {
        const std::size_t width = utf8Width(bytes);
        units += unitsOfWidth(width);
        bytes.remove_prefix(width);
    }
    return units;
}

// The editor keeps each line's start in UTF-16 units from the moment it is asked to, on this
// document, through every edit.
void ensureIndex(const Sci& editor) {
    if ((sci(editor, Sci::SCI_GETLINECHARACTERINDEX) & Sci::SC_LINECHARACTERINDEX_UTF16) == 0)
        sci(editor, Sci::SCI_ALLOCATELINECHARACTERINDEX, Sci::SC_LINECHARACTERINDEX_UTF16);
}

Offset lineStart(const Sci& editor, Offset line) {
    return sci(editor, Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

// Where the line ends, its line break included.
Offset lineEnd(const Sci& editor, Offset line) {
    if (line + 1 >= sci(editor, Sci::SCI_GETLINECOUNT)) return lengthOf(editor);
    return lineStart(editor, line + 1);
}

Offset lineOf(const Sci& editor, Offset pos) {
    return sci(editor, Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
}

Offset characterCountOf(const Sci& editor) {
    if (!isUtf8(editor)) return lengthOf(editor);
    ensureIndex(editor);
    const Offset lines = sci(editor, Sci::SCI_GETLINECOUNT);
    return sci(editor, Sci::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(lines),
               Sci::SC_LINECHARACTERINDEX_UTF16);
}

// The UTF-16 offset of byte position `pos`: the index gives its line's, the bytes of the line
// before it the rest.
Offset offsetOf(const Sci& editor, Offset pos) {
    pos = std::clamp<Offset>(pos, 0, lengthOf(editor));
    if (!isUtf8(editor)) return pos;
    ensureIndex(editor);
    const Offset line = lineOf(editor, pos);
    const Offset start = lineStart(editor, line);
    return sci(editor, Sci::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
               Sci::SC_LINECHARACTERINDEX_UTF16) +
           unitsIn(bytesOf(editor, start, pos));
}

// The byte position of UTF-16 offset `offset`, at the start of the character it falls in
// (the first half of a surrogate pair gives the pair's start).
Offset positionOf(const Sci& editor, Offset offset) {
    const Offset length = lengthOf(editor);
    if (offset <= 0) return 0;
    if (!isUtf8(editor)) return std::min(offset, length);
    ensureIndex(editor);
    const Offset line = sci(editor, Sci::SCI_LINEFROMINDEXPOSITION,
                            static_cast<unsigned long>(offset), Sci::SC_LINECHARACTERINDEX_UTF16);
    Offset units = offset - sci(editor, Sci::SCI_INDEXPOSITIONFROMLINE,
                                static_cast<unsigned long>(line), Sci::SC_LINECHARACTERINDEX_UTF16);
    const Offset start = lineStart(editor, line);
    // A unit takes three bytes at most; a pair of them four.
    const Offset end = std::min(lineEnd(editor, line), start + 3 * units + 3);
    std::string_view bytes = bytesOf(editor, start, end);
    Offset pos = start;
    while (!bytes.empty() && units > 0) {
        const std::size_t width = utf8Width(bytes);
        if (unitsOfWidth(width) > units) break;
        units -= unitsOfWidth(width);
        pos += static_cast<Offset>(width);
        bytes.remove_prefix(width);
    }
    return pos;
}

Offset characterEnd(const Sci& editor, Offset pos) {
    const Offset length = lengthOf(editor);
    if (pos >= length) return length;
    if (!isUtf8(editor)) return pos + 1;
    return pos + static_cast<Offset>(utf8Width(bytesOf(editor, pos, std::min(length, pos + 4))));
}

Offset characterStartBefore(const Sci& editor, Offset pos) {
    if (pos <= 0) return 0;
    if (!isUtf8(editor)) return pos - 1;
    // The character that ends at `pos`: back over continuation bytes to a lead whose sequence
    // reaches `pos`; anything else is a byte of its own.
    const Offset from = std::max<Offset>(0, pos - 4);
    const std::string_view bytes = bytesOf(editor, from, pos);
    for (Offset at = pos - 1; at >= from; --at) {
        const auto byte = static_cast<unsigned char>(bytes[static_cast<std::size_t>(at - from)]);
        if ((byte & 0xC0) != 0x80) {
            const std::string_view tail = bytes.substr(static_cast<std::size_t>(at - from));
            return utf8Width(tail) == tail.size() ? at : pos - 1;
        }
    }
    return pos - 1;
}

// Not between the CR and LF of a line break, nor inside a character.
Offset characterStart(const Sci& editor, Offset pos) {
    pos = std::clamp<Offset>(pos, 0, lengthOf(editor));
    if (pos > 0 && bytesOf(editor, pos - 1, pos + 1) == "\r\n") return pos - 1;
    return pos;
}

struct Span {
    Offset start = 0;
    Offset end = 0;
};

// The piece of text of `boundary` kind that holds the character at `pos`: one character; a
// word as the editor's word moves see it (a run of word characters, of blanks, of punctuation
// or of line breaks); a line with its line break (a paragraph is a line); the whole text.
// At the end of the text only the last line counts.
std::optional<Span> spanAt(const Sci& editor, Offset pos, QAccessible::TextBoundaryType boundary) {
    const Offset length = lengthOf(editor);
    switch (boundary) {
        case QAccessible::CharBoundary:
            if (pos >= length) return std::nullopt;
            return Span{pos, characterEnd(editor, pos)};
        case QAccessible::WordBoundary: {
            if (pos >= length) return std::nullopt;
            const auto after = static_cast<unsigned long>(characterEnd(editor, pos));
            return Span{sci(editor, Sci::SCI_WORDSTARTPOSITION, after, 0),
                        sci(editor, Sci::SCI_WORDENDPOSITION, static_cast<unsigned long>(pos), 0)};
        }
        case QAccessible::LineBoundary:
        case QAccessible::ParagraphBoundary: {
            const Offset line = lineOf(editor, pos);
            return Span{lineStart(editor, line), lineEnd(editor, line)};
        }
        case QAccessible::NoBoundary:
            return Span{0, length};
        default:  // sentences are not told apart
            return std::nullopt;
    }
}

QString answer(const Sci& editor, std::optional<Span> span, int* startOffset, int* endOffset) {
    *startOffset = -1;
    *endOffset = -1;
    if (!span) return {};
    QString text = decode(editor, span->start, span->end);
    const Offset start = offsetOf(editor, span->start);
    *startOffset = toInt(start);
    *endOffset = toInt(start + text.size());
    return text;
}

}  // namespace

SurfaceAccessible::SurfaceAccessible(QWidget* widget)
    : QAccessibleWidget(widget, QAccessible::EditableText) {}

QsciScintillaBase& SurfaceAccessible::editor() const {
    return *static_cast<QsciScintillaBase*>(widget());
}

QAccessible::State SurfaceAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.selectableText = true;
    state.focusable = true;
    const bool readOnly = sci(editor(), Sci::SCI_GETREADONLY) != 0;
    state.readOnly = readOnly;
    state.editable = !readOnly;
    return state;
}

void* SurfaceAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int SurfaceAccessible::characterCount() const {
    return toInt(characterCountOf(editor()));
}

int SurfaceAccessible::cursorPosition() const {
    return toInt(offsetOf(editor(), sci(editor(), Sci::SCI_GETCURRENTPOS)));
}

void SurfaceAccessible::setCursorPosition(int position) {
    const auto pos =
        static_cast<unsigned long>(characterStart(editor(), positionOf(editor(), position)));
    sci(editor(), Sci::SCI_SETSEL, pos, static_cast<long>(pos));
}

int SurfaceAccessible::selectionCount() const {
    return sci(editor(), Sci::SCI_GETSELECTIONSTART) < sci(editor(), Sci::SCI_GETSELECTIONEND) ? 1
                                                                                               : 0;
}

void SurfaceAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0) return;
    *startOffset = toInt(offsetOf(editor(), sci(editor(), Sci::SCI_GETSELECTIONSTART)));
    *endOffset = toInt(offsetOf(editor(), sci(editor(), Sci::SCI_GETSELECTIONEND)));
}

void SurfaceAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void SurfaceAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex != 0) return;
    sci(editor(), Sci::SCI_SETEMPTYSELECTION,
        static_cast<unsigned long>(sci(editor(), Sci::SCI_GETCURRENTPOS)));
}

void SurfaceAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0) return;
    const Offset anchor = characterStart(editor(), positionOf(editor(), startOffset));
    const Offset caret = characterStart(editor(), positionOf(editor(), endOffset));
    sci(editor(), Sci::SCI_SETSEL, static_cast<unsigned long>(anchor), static_cast<long>(caret));
}

QString SurfaceAccessible::text(int startOffset, int endOffset) const {
    const Offset count = characterCountOf(editor());
    const Offset from = std::clamp<Offset>(startOffset, 0, count);
    const Offset to = endOffset < 0 ? count : std::clamp<Offset>(endOffset, 0, count);
    if (to <= from) return {};
    return decode(editor(), positionOf(editor(), from), positionOf(editor(), to));
}

QString SurfaceAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int* startOffset, int* endOffset) const {
    const Offset count = characterCountOf(editor());
    if (offset == -2) offset = cursorPosition();
    const Offset at = offset == -1 ? count : offset;
    if (at < 0 || at > count) return answer(editor(), std::nullopt, startOffset, endOffset);
    return answer(editor(), spanAt(editor(), positionOf(editor(), at), boundaryType), startOffset,
                  endOffset);
}

QString SurfaceAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    const Offset count = characterCountOf(editor());
    if (offset == -2) offset = cursorPosition();
    const Offset at = offset == -1 ? count : offset;
    std::optional<Span> before;
    if (at >= 0 && at <= count) {
        const Offset pos = positionOf(editor(), at);
        const std::optional<Span> span = spanAt(editor(), pos, boundaryType);
        const Offset first = span ? span->start : pos;
        if (first > 0)
            before = spanAt(editor(), characterStartBefore(editor(), first), boundaryType);
    }
    return answer(editor(), before, startOffset, endOffset);
}

QString SurfaceAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
    const Offset count = characterCountOf(editor());
    if (offset == -2) offset = cursorPosition();
    const Offset at = offset == -1 ? count : offset;
    std::optional<Span> after;
    if (at >= 0 && at <= count) {
        const std::optional<Span> span = spanAt(editor(), positionOf(editor(), at), boundaryType);
        if (span && span->end < lengthOf(editor()))
            after = spanAt(editor(), span->end, boundaryType);
    }
    return answer(editor(), after, startOffset, endOffset);
}

QRect SurfaceAccessible::characterRect(int offset) const {
    if (offset < 0 || offset >= characterCount()) return {};
    const Sci& ed = editor();
    const Offset pos = positionOf(ed, offset);
    const Offset next = characterEnd(ed, pos);
    const auto x = static_cast<int>(sci(ed, Sci::SCI_POINTXFROMPOSITION, 0, pos));
    const auto y = static_cast<int>(sci(ed, Sci::SCI_POINTYFROMPOSITION, 0, pos));
    const auto height =
        static_cast<int>(sci(ed, Sci::SCI_TEXTHEIGHT, static_cast<unsigned long>(lineOf(ed, pos))));
    // The next character's left edge, where it stands on the same display line; a line break
    // or the last character of a wrapped line gets the width of a blank.
    int width = 0;
    if (sci(ed, Sci::SCI_POINTYFROMPOSITION, 0, next) == y)
        width = static_cast<int>(sci(ed, Sci::SCI_POINTXFROMPOSITION, 0, next)) - x;
    if (width <= 0)
        width = static_cast<int>(ed.SendScintilla(Sci::SCI_TEXTWIDTH, Sci::STYLE_DEFAULT, " "));
    QRect rect(x, y, std::max(width, 1), height);
    rect.moveTo(ed.viewport()->mapToGlobal(rect.topLeft()));
    return rect;
}

int SurfaceAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint at = editor().viewport()->mapFromGlobal(point);
    const long pos =
        sci(editor(), Sci::SCI_POSITIONFROMPOINTCLOSE, static_cast<unsigned long>(at.x()), at.y());
    return pos < 0 ? -1 : toInt(offsetOf(editor(), pos));
}

void SurfaceAccessible::scrollToSubstring(int /*startIndex*/, int /*endIndex*/) {
    // The editor's own scrolling to a range wraps every line above it first (a minute for a
    // large wrapped document); a screen reader follows the caret, which the surface keeps in
    // view.
}

// Marked text as a screen reader can tell it: struck text (deleted while tracking changes)
// and its colour, over the run of one marking around `offset`.
QString SurfaceAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = -1;
    *endOffset = -1;
    const Sci& ed = editor();
    if (offset < 0 || offset >= characterCount()) return {};
    const Offset pos = positionOf(ed, offset);
    Offset start = 0;
    Offset end = lengthOf(ed);
    QString attributes;
    for (const int indicator :
         {ScintillaSurface::kStrikeIndicator, ScintillaSurface::kColourIndicator}) {
        const auto which = static_cast<unsigned long>(indicator);
        const long value = sci(ed, Sci::SCI_INDICATORVALUEAT, which, pos);
        start = std::max<Offset>(start, sci(ed, Sci::SCI_INDICATORSTART, which, pos));
        end = std::min<Offset>(end, sci(ed, Sci::SCI_INDICATOREND, which, pos));
        if (value == 0) continue;
        if (indicator == ScintillaSurface::kStrikeIndicator) {
            attributes += QStringLiteral("text-line-through-type:single;");
        } else {
            const long bgr = value & 0xFFFFFF;
            attributes += QStringLiteral("color:rgb(%1,%2,%3);")
                              .arg(bgr & 0xFF)
                              .arg((bgr >> 8) & 0xFF)
                              .arg((bgr >> 16) & 0xFF);
        }
    }
    if (end <= pos) end = characterEnd(ed, pos);
    *startOffset = toInt(offsetOf(ed, std::min(start, pos)));
    *endOffset = toInt(offsetOf(ed, end));
    return attributes;
}

QAccessibleInterface* surfaceAccessibleFactory(const QString& /*className*/, QObject* object) {
    auto* widget = dynamic_cast<SurfaceWidget*>(object);
    return widget != nullptr ? new SurfaceAccessible(widget) : nullptr;
}

// ---- announcements ----

SurfaceAnnouncer::SurfaceAnnouncer(QsciScintillaBase& editor) : editor_(&editor) {
    QObject::connect(&editor, &QsciScintillaBase::SCN_UPDATEUI, &editor,
                     [this](int) { selectionMaybeMoved(); });
}

void SurfaceAnnouncer::beforeChange(std::int64_t pos, std::int64_t removed, std::int64_t inserted) {
    announceInsertion();
    if (!listened()) return;
    const int offset = toInt(offsetOf(*editor_, pos));
    if (removed > 0) {
        if (removed <= kLargestAnnounced) {
            QAccessibleTextRemoveEvent event(editor_, offset, decode(*editor_, pos, pos + removed));
            announce(event);
        } else {
            QAccessibleTextUpdateEvent event(editor_, offset, QString(), QString());
            announce(event);
        }
    }
    if (inserted > 0) insertion_ = Insertion{pos, inserted, offset};
}

bool SurfaceAnnouncer::listened() const {
    return editor_ && (listener_ || QAccessible::isActive());
}

void SurfaceAnnouncer::announce(QAccessibleEvent& event) const {
    if (listener_) {
        listener_(event);
    } else {
        QAccessible::updateAccessibility(&event);
    }
}

void SurfaceAnnouncer::settled() {
    announceInsertion();
}

void SurfaceAnnouncer::replacedAll() {
    insertion_.reset();
    caret_ = -1;
    anchor_ = -1;
    if (!listened()) return;
    QAccessibleTextUpdateEvent event(editor_, 0, QString(), QString());
    announce(event);
}

void SurfaceAnnouncer::announceInsertion() {
    if (!insertion_) return;
    const Insertion insertion = *insertion_;
    insertion_.reset();
    if (!listened()) return;
    const Offset end = std::min(lengthOf(*editor_), insertion.pos + insertion.length);
    if (insertion.length <= kLargestAnnounced) {
        QAccessibleTextInsertEvent event(editor_, insertion.offset,
                                         decode(*editor_, insertion.pos, end));
        announce(event);
    } else {
        QAccessibleTextUpdateEvent event(editor_, insertion.offset, QString(), QString());
        announce(event);
    }
}

void SurfaceAnnouncer::selectionMaybeMoved() {
    if (!listened()) return;
    const Offset caret = sci(*editor_, Sci::SCI_GETCURRENTPOS);
    const Offset anchor = sci(*editor_, Sci::SCI_GETANCHOR);
    if (caret == caret_ && anchor == anchor_) return;
    const bool hadSelection = caret_ != anchor_;
    caret_ = caret;
    anchor_ = anchor;
    const int caretOffset = toInt(offsetOf(*editor_, caret));
    if (anchor != caret || hadSelection) {
        QAccessibleTextSelectionEvent event(editor_,
                                            toInt(offsetOf(*editor_, std::min(caret, anchor))),
                                            toInt(offsetOf(*editor_, std::max(caret, anchor))));
        event.setCursorPosition(caretOffset);
        announce(event);
    }
    QAccessibleTextCursorEvent event(editor_, caretOffset);
    announce(event);
}

}  // namespace scrivane
