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
    if (gap < target) {
        // The component moves its gap forward only to the very end, in one go. After a jump far
        // ahead and near the end (Ctrl+End, the last lines through the Goto box) that is done in
        // the pause that follows, where it costs little more than the copy the next key would
        // otherwise wait for (a tenth of a second a gigabyte); then the gap comes back to the
        // selection as below. A step ahead, or a jump to the middle, is left for the key.
        const auto length = static_cast<std::int64_t>(editor.SendScintilla(Sci::SCI_GETLENGTH));
        const std::int64_t ahead = target - gap;
        if (ahead <= 4 * static_cast<std::int64_t>(step) || 4 * (length - gap) > 5 * ahead)
            return false;
        editor.SendScintilla(Sci::SCI_GETCHARACTERPOINTER);
        return target < length;
    }
    if (gap == target) return false;
    const std::int64_t to = std::max(target, gap - static_cast<std::int64_t>(step));
    // Asked for a range that straddles the gap, the component moves the gap to its start.
    editor.SendScintilla(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(to),
                         static_cast<long>(gap - to + 1));
    return to > target;
}

}  // namespace scrivane
