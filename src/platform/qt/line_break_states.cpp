#include "platform/qt/line_break_states.h"

#include <Qsci/qsciscintillabase.h>

#include <algorithm>

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

}  // namespace

int LineBreakStates::stateOf(Pos line) const {
    // Asking the editor for a line's state makes it keep states for every line up to that
    // one, which every later insertion or deletion of lines then moves along: a document
    // whose breaks are all usual keeps none.
    if (line >= editor_.SendScintilla(Sci::SCI_GETMAXLINESTATE)) return 0;
    return static_cast<int>(
        editor_.SendScintilla(Sci::SCI_GETLINESTATE, static_cast<unsigned long>(line)));
}

void LineBreakStates::setState(Pos line, int state) const {
    if (stateOf(line) == state) return;
    editor_.SendScintilla(Sci::SCI_SETLINESTATE, static_cast<unsigned long>(line),
                          static_cast<long>(state));
}

Pos LineBreakStates::lineOf(Pos pos) const {
    return editor_.SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
}

Pos LineBreakStates::lineCount() const {
    return editor_.SendScintilla(Sci::SCI_GETLINECOUNT);
}

void LineBreakStates::settle() const {
    if (!pending_) return;
    const Pending edit = *pending_;
    pending_.reset();
    if (edit.insertion) {
        // The first line's break now ends the last line the insertion made; the breaks before
        // it came with the inserted text.
        const Pos last = edit.line + std::max<Pos>(0, lineCount() - edit.linesBefore);
        for (Pos line = edit.line; line < last; ++line) setState(line, 0);
        setState(last, edit.state);
    } else {
        setState(edit.line, edit.state);
    }
}

void LineBreakStates::beforeInsert(Pos pos) {
    settle();
    const Pos line = lineOf(pos);
    pending_ = Pending{line, stateOf(line), lineCount(), true};
}

void LineBreakStates::beforeDelete(Pos pos, Pos length) {
    settle();
    const Pos first = lineOf(pos);
    const Pos last = lineOf(pos + length);
    if (first == last) return;
    pending_ = Pending{first, stateOf(last), lineCount(), false};
}

void LineBreakStates::clear() {
    pending_.reset();
    const Pos lines = std::min<Pos>(lineCount(), editor_.SendScintilla(Sci::SCI_GETMAXLINESTATE));
    for (Pos line = 0; line < lines; ++line) setState(line, 0);
}

std::vector<LineBreak> LineBreakStates::read() const {
    settle();
    std::vector<LineBreak> breaks;
    const Pos lines = std::min<Pos>(lineCount(), editor_.SendScintilla(Sci::SCI_GETMAXLINESTATE));
    for (Pos line = 0; line < lines; ++line) {
        const int state = stateOf(line);
        if (state > 0 && state <= static_cast<int>(LineEnd::Cr)) {
            breaks.push_back(LineBreak{line, static_cast<LineEnd>(state)});
        }
    }
    return breaks;
}

void LineBreakStates::write(const std::vector<LineBreak>& breaks) {
    settle();
    const Pos lines = lineCount();
    // Lines that keep a state but are not listed become usual.
    const Pos kept = std::min<Pos>(lines, editor_.SendScintilla(Sci::SCI_GETMAXLINESTATE));
    auto listed = breaks.begin();
    for (Pos line = 0; line < kept; ++line) {
        while (listed != breaks.end() && listed->line < line) ++listed;
        if (listed == breaks.end() || listed->line != line) setState(line, 0);
    }
    for (const LineBreak& b : breaks) {
        if (b.line >= 0 && b.line < lines) setState(b.line, static_cast<int>(b.end));
    }
}

}  // namespace scrivane
