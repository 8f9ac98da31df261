// Where the view goes when a command selects text far from the caret: the selection's first
// line shows with lines around it, as a reader of the target wants it.
#include <Qsci/qsciscintillabase.h>

#include <algorithm>

#include "platform/qt/scintilla_surface.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

// Rows kept between the target and either edge for it to count as well inside the view.
long contextRows(long rowsOnScreen) {
    return rowsOnScreen / 5;
}

}  // namespace

void ScintillaSurface::SelectInContext(Pos start, Pos length) {
    const long top = sci(Sci::SCI_GETFIRSTVISIBLELINE);
    // Selecting scrolls the caret just into view (on the edge); the view is chosen below from
    // where it stood before.
    SetSelStart(start);
    SetSelLength(length);
    const Pos from = SelStart();
    const long line = sci(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(from));
    // Display rows differ from document lines when lines wrap; lines not yet wrapped count one
    // row, so this asks for no layout beyond the target's own line.
    long row = sci(Sci::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line));
    if (sci(Sci::SCI_WRAPCOUNT, static_cast<unsigned long>(line)) > 1) {
        const long lineStart = sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        const long height =
            std::max(1L, sci(Sci::SCI_TEXTHEIGHT, static_cast<unsigned long>(line)));
        row += (sci(Sci::SCI_POINTYFROMPOSITION, 0, static_cast<long>(from)) -
                sci(Sci::SCI_POINTYFROMPOSITION, 0, lineStart)) /
               height;
    }
    const long rows = sci(Sci::SCI_LINESONSCREEN);
    const long context = contextRows(rows);
    const bool wellInside = row >= top + context && row < top + rows - context;
    sci(Sci::SCI_SETFIRSTVISIBLELINE,
        static_cast<unsigned long>(wellInside ? top : std::max(0L, row - rows / 3)));
}

}  // namespace scrivane
