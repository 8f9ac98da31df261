#include "platform/qt/gap_follower.h"

#include <Qsci/qsciscintillabase.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/pure/encoding.h"

namespace scrivane {

namespace {

using Sci = QsciScintillaBase;

long sci(QsciScintillaBase& editor, unsigned int msg, unsigned long wParam = 0, long lParam = 0) {
    return editor.SendScintilla(msg, wParam, lParam);
}

// The character boundary at or before `pos`, read a byte at a time: reading a range could
// move the gap.
std::int64_t boundaryAtOrBefore(QsciScintillaBase& editor, std::int64_t pos) {
    const std::int64_t from = std::max<std::int64_t>(0, pos - 3);
    const std::int64_t end = std::min<std::int64_t>(pos + 4, sci(editor, Sci::SCI_GETLENGTH));
    std::string window;
    for (std::int64_t at = from; at < end; ++at)
        window +=
            static_cast<char>(sci(editor, Sci::SCI_GETCHARAT, static_cast<unsigned long>(at)));
    const bool utf8 = sci(editor, Sci::SCI_GETCODEPAGE) == Sci::SC_CP_UTF8;
    return from + static_cast<std::int64_t>(
                      charBoundaryInWindow(window, static_cast<std::size_t>(pos - from), utf8));
}

// Moves the gap forward to `to` by inserting a byte there and deleting it: one copy of the
// text between, as the next key's edit would make. Never between CR and LF, nor inside a
// character, so that the byte changes no line and no character while it is there; and never
// above the view, whose styling the editor would redo from there down.
void insertAndTakeBack(QsciScintillaBase& editor, std::int64_t to, std::int64_t gap) {
    to = boundaryAtOrBefore(editor, to);
    const long topLine = sci(editor, Sci::SCI_DOCLINEFROMVISIBLE,
                             static_cast<unsigned long>(sci(editor, Sci::SCI_GETFIRSTVISIBLELINE)));
    if (to <= gap ||
        to < sci(editor, Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(topLine)))
        return;
    const long targetStart = sci(editor, Sci::SCI_GETTARGETSTART);
    const long targetEnd = sci(editor, Sci::SCI_GETTARGETEND);
    const long length = sci(editor, Sci::SCI_GETLENGTH);
    const auto at = static_cast<unsigned long>(to);
    // The target edit leaves the selection alone, where inserting text would empty it.
    sci(editor, Sci::SCI_SETTARGETRANGE, at, static_cast<long>(at));
    editor.SendScintilla(Sci::SCI_REPLACETARGET, 1UL, "x");
    if (sci(editor, Sci::SCI_GETLENGTH) == length + 1) sci(editor, Sci::SCI_DELETERANGE, at, 1);
    sci(editor, Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(targetStart), targetEnd);
}

}  // namespace

bool bringGapTowardSelection(QsciScintillaBase& editor, std::size_t step) {
    // A text that cannot change needs no gap where it would change: moving it would copy the
    // text for nothing.
    if (sci(editor, Sci::SCI_GETREADONLY) != 0) return false;
    // Typing replaces the selection: the edit begins at its start.
    const auto target = static_cast<std::int64_t>(sci(editor, Sci::SCI_GETSELECTIONSTART));
    const auto gap = static_cast<std::int64_t>(sci(editor, Sci::SCI_GETGAPPOSITION));
    if (gap < target) {
        // A step ahead costs the key little; a jump far ahead is followed in the pause after
        // it, in one copy of the text between (a tenth of a second a gigabyte).
        if (target - gap > 4 * static_cast<std::int64_t>(step))
            insertAndTakeBack(editor, target, gap);
        return false;
    }
    if (gap == target) return false;
    const std::int64_t to = std::max(target, gap - static_cast<std::int64_t>(step));
    // Asked for a range that straddles the gap, the component moves the gap to its start.
    editor.SendScintilla(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(to),
                         static_cast<long>(gap - to + 1));
    return to > target;
}

}  // namespace scrivane
