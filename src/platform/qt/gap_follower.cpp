#include "platform/qt/gap_follower.h"

#include <Qsci/qsciscintillabase.h>

#include <algorithm>
#include <cstdint>

namespace scrivane {

bool bringGapTowardSelection(QsciScintillaBase& editor, std::size_t step) {
    using Sci = QsciScintillaBase;
    // A text that cannot change needs no gap where it would change; moving it would only cost
    // a later Find the copy back.
    if (editor.SendScintilla(Sci::SCI_GETREADONLY) != 0) return false;
    // Typing replaces the selection: the edit begins at its start.
    const auto target = static_cast<std::int64_t>(editor.SendScintilla(Sci::SCI_GETSELECTIONSTART));
    const auto gap = static_cast<std::int64_t>(editor.SendScintilla(Sci::SCI_GETGAPPOSITION));
    if (gap <= target) return false;
    const std::int64_t to = std::max(target, gap - static_cast<std::int64_t>(step));
    // Asked for a range that straddles the gap, the component moves the gap to its start.
    editor.SendScintilla(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(to),
                         static_cast<long>(gap - to + 1));
    return to > target;
}

}  // namespace scrivane
