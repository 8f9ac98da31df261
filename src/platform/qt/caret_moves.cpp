#include "platform/qt/caret_moves.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QKeyEvent>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>

namespace scrivane {

using Sci = QsciScintillaBase;

// A caret command answered here: what it works on, the plain move it makes from an empty
// selection, and what it does with the selection.
struct CaretMove {
    enum class Kind { Text, DisplayLines, DisplayLineEnds };
    // Collapse the selection, extend it, or extend it as a rectangle.
    enum class Extend { None, Stream, Rectangle };
    int command;
    Kind kind;
    int plain;
    Extend extend;
};

namespace {

using Kind = CaretMove::Kind;
using Extend = CaretMove::Extend;

// clang-format off
constexpr CaretMove kMoves[] = {
    {Sci::SCI_LINEDOWN,                Kind::DisplayLines,    Sci::SCI_LINEDOWN,       Extend::None},
    {Sci::SCI_LINEDOWNEXTEND,          Kind::DisplayLines,    Sci::SCI_LINEDOWN,       Extend::Stream},
    {Sci::SCI_LINEDOWNRECTEXTEND,      Kind::DisplayLines,    Sci::SCI_LINEDOWN,       Extend::Rectangle},
    {Sci::SCI_LINEUP,                  Kind::DisplayLines,    Sci::SCI_LINEUP,         Extend::None},
    {Sci::SCI_LINEUPEXTEND,            Kind::DisplayLines,    Sci::SCI_LINEUP,         Extend::Stream},
    {Sci::SCI_LINEUPRECTEXTEND,        Kind::DisplayLines,    Sci::SCI_LINEUP,         Extend::Rectangle},
    {Sci::SCI_PAGEDOWN,                Kind::DisplayLines,    Sci::SCI_PAGEDOWN,       Extend::None},
    {Sci::SCI_PAGEDOWNEXTEND,          Kind::DisplayLines,    Sci::SCI_PAGEDOWN,       Extend::Stream},
    {Sci::SCI_PAGEDOWNRECTEXTEND,      Kind::DisplayLines,    Sci::SCI_PAGEDOWN,       Extend::Rectangle},
    {Sci::SCI_PAGEUP,                  Kind::DisplayLines,    Sci::SCI_PAGEUP,         Extend::None},
    {Sci::SCI_PAGEUPEXTEND,            Kind::DisplayLines,    Sci::SCI_PAGEUP,         Extend::Stream},
    {Sci::SCI_PAGEUPRECTEXTEND,        Kind::DisplayLines,    Sci::SCI_PAGEUP,         Extend::Rectangle},
    {Sci::SCI_HOMEDISPLAY,             Kind::DisplayLineEnds, Sci::SCI_HOMEDISPLAY,    Extend::None},
    {Sci::SCI_HOMEDISPLAYEXTEND,       Kind::DisplayLineEnds, Sci::SCI_HOMEDISPLAY,    Extend::Stream},
    {Sci::SCI_LINEENDDISPLAY,          Kind::DisplayLineEnds, Sci::SCI_LINEENDDISPLAY, Extend::None},
    {Sci::SCI_LINEENDDISPLAYEXTEND,    Kind::DisplayLineEnds, Sci::SCI_LINEENDDISPLAY, Extend::Stream},
    {Sci::SCI_CHARLEFT,                Kind::Text, Sci::SCI_CHARLEFT,      Extend::None},
    {Sci::SCI_CHARLEFTEXTEND,          Kind::Text, Sci::SCI_CHARLEFT,      Extend::Stream},
    {Sci::SCI_CHARLEFTRECTEXTEND,      Kind::Text, Sci::SCI_CHARLEFT,      Extend::Rectangle},
    {Sci::SCI_CHARRIGHT,               Kind::Text, Sci::SCI_CHARRIGHT,     Extend::None},
    {Sci::SCI_CHARRIGHTEXTEND,         Kind::Text, Sci::SCI_CHARRIGHT,     Extend::Stream},
    {Sci::SCI_CHARRIGHTRECTEXTEND,     Kind::Text, Sci::SCI_CHARRIGHT,     Extend::Rectangle},
    {Sci::SCI_WORDLEFT,                Kind::Text, Sci::SCI_WORDLEFT,      Extend::None},
    {Sci::SCI_WORDLEFTEXTEND,          Kind::Text, Sci::SCI_WORDLEFT,      Extend::Stream},
    {Sci::SCI_WORDRIGHT,               Kind::Text, Sci::SCI_WORDRIGHT,     Extend::None},
    {Sci::SCI_WORDRIGHTEXTEND,         Kind::Text, Sci::SCI_WORDRIGHT,     Extend::Stream},
    {Sci::SCI_WORDLEFTEND,             Kind::Text, Sci::SCI_WORDLEFTEND,   Extend::None},
    {Sci::SCI_WORDLEFTENDEXTEND,       Kind::Text, Sci::SCI_WORDLEFTEND,   Extend::Stream},
    {Sci::SCI_WORDRIGHTEND,            Kind::Text, Sci::SCI_WORDRIGHTEND,  Extend::None},
    {Sci::SCI_WORDRIGHTENDEXTEND,      Kind::Text, Sci::SCI_WORDRIGHTEND,  Extend::Stream},
    {Sci::SCI_WORDPARTLEFT,            Kind::Text, Sci::SCI_WORDPARTLEFT,  Extend::None},
    {Sci::SCI_WORDPARTLEFTEXTEND,      Kind::Text, Sci::SCI_WORDPARTLEFT,  Extend::Stream},
    {Sci::SCI_WORDPARTRIGHT,           Kind::Text, Sci::SCI_WORDPARTRIGHT, Extend::None},
    {Sci::SCI_WORDPARTRIGHTEXTEND,     Kind::Text, Sci::SCI_WORDPARTRIGHT, Extend::Stream},
    {Sci::SCI_HOME,                    Kind::Text, Sci::SCI_HOME,          Extend::None},
    {Sci::SCI_HOMEEXTEND,              Kind::Text, Sci::SCI_HOME,          Extend::Stream},
    {Sci::SCI_HOMERECTEXTEND,          Kind::Text, Sci::SCI_HOME,          Extend::Rectangle},
    {Sci::SCI_VCHOME,                  Kind::Text, Sci::SCI_VCHOME,        Extend::None},
    {Sci::SCI_VCHOMEEXTEND,            Kind::Text, Sci::SCI_VCHOME,        Extend::Stream},
    {Sci::SCI_VCHOMERECTEXTEND,        Kind::Text, Sci::SCI_VCHOME,        Extend::Rectangle},
    {Sci::SCI_LINEEND,                 Kind::Text, Sci::SCI_LINEEND,       Extend::None},
    {Sci::SCI_LINEENDEXTEND,           Kind::Text, Sci::SCI_LINEEND,       Extend::Stream},
    {Sci::SCI_LINEENDRECTEXTEND,       Kind::Text, Sci::SCI_LINEEND,       Extend::Rectangle},
    {Sci::SCI_DOCUMENTSTART,           Kind::Text, Sci::SCI_DOCUMENTSTART, Extend::None},
    {Sci::SCI_DOCUMENTSTARTEXTEND,     Kind::Text, Sci::SCI_DOCUMENTSTART, Extend::Stream},
    {Sci::SCI_DOCUMENTEND,             Kind::Text, Sci::SCI_DOCUMENTEND,   Extend::None},
    {Sci::SCI_DOCUMENTENDEXTEND,       Kind::Text, Sci::SCI_DOCUMENTEND,   Extend::Stream},
    {Sci::SCI_PARADOWN,                Kind::Text, Sci::SCI_PARADOWN,      Extend::None},
    {Sci::SCI_PARADOWNEXTEND,          Kind::Text, Sci::SCI_PARADOWN,      Extend::Stream},
    {Sci::SCI_PARAUP,                  Kind::Text, Sci::SCI_PARAUP,        Extend::None},
    {Sci::SCI_PARAUPEXTEND,            Kind::Text, Sci::SCI_PARAUP,        Extend::Stream},
    // The editor deletes these from the caret, whatever the selection: to the left it keeps
    // the selection (as the deletion moved it), to the right it leaves the caret alone.
    {Sci::SCI_DELWORDLEFT,             Kind::Text,     Sci::SCI_DELWORDLEFT,     Extend::Stream},
    {Sci::SCI_DELWORDRIGHT,            Kind::Text,     Sci::SCI_DELWORDRIGHT,    Extend::None},
    {Sci::SCI_DELWORDRIGHTEND,         Kind::Text,     Sci::SCI_DELWORDRIGHTEND, Extend::None},
    {Sci::SCI_DELLINELEFT,             Kind::Text,     Sci::SCI_DELLINELEFT,     Extend::Stream},
    {Sci::SCI_DELLINERIGHT,            Kind::Text,     Sci::SCI_DELLINERIGHT,    Extend::None},
};
// clang-format on

const CaretMove* moveFor(int command) {
    for (const CaretMove& m : kMoves) {
        if (m.command == command) return &m;
    }
    return nullptr;
}

bool isPage(const CaretMove& m) {
    return m.plain == Sci::SCI_PAGEDOWN || m.plain == Sci::SCI_PAGEUP;
}

int directionOf(const CaretMove& m) {
    return m.plain == Sci::SCI_LINEUP || m.plain == Sci::SCI_PAGEUP ? -1 : 1;
}

// Paragraph moves keep the place vertical moves aim at, like vertical moves themselves;
// every other move sets it to where the caret ends up.
bool keepsStickyX(const CaretMove& m) {
    return m.kind == Kind::DisplayLines || m.plain == Sci::SCI_PARADOWN ||
           m.plain == Sci::SCI_PARAUP;
}

// The position nearest a point of the view (it may lie outside the view).
long positionAt(const QsciScintillaBase& e, long x, long y) {
    return e.SendScintilla(Sci::SCI_POSITIONFROMPOINT, static_cast<unsigned long>(x), y);
}

long xOf(const QsciScintillaBase& e, long pos) {
    return e.SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0, pos);
}

long yOf(const QsciScintillaBase& e, long pos) {
    return e.SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0, pos);
}

}  // namespace

CaretMoves::CaretMoves(QsciScintilla& editor) : editor_(editor) {}

CaretMoves::~CaretMoves() = default;

long CaretMoves::sci(unsigned int msg, unsigned long wParam, long lParam) const {
    return editor_.SendScintilla(msg, wParam, lParam);
}

bool CaretMoves::wrapping() const {
    return sci(Sci::SCI_GETWRAPMODE) != Sci::SC_WRAP_NONE;
}

bool CaretMoves::keyPressed(const QKeyEvent& event) {
    if (!wrapping()) return false;
    const auto modifiers = event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                Qt::AltModifier | Qt::MetaModifier);
    const QsciCommand* bound =
        editor_.standardCommands()->boundTo(event.key() | static_cast<int>(modifiers.toInt()));
    const CaretMove* move =
        bound != nullptr ? moveFor(static_cast<int>(bound->command())) : nullptr;
    if (move == nullptr) return false;
    const int x = stickyX(mainCaret());
    const long topBefore = topLine();
    switch (move->kind) {
        case Kind::Text:
            finish(*move, textTarget(*move));
            break;
        case Kind::DisplayLines:
            finish(*move, displayLinesAway(*move, x));
            break;
        case Kind::DisplayLineEnds:
            finish(*move, displayLineEnd(*move));
            break;
    }
    stickyCaret_ = mainCaret();
    if (keepsStickyX(*move)) {
        stickyX_ = x;
    } else {
        // Vertical moves after this one aim at where the caret now is, in the editor too.
        sci(Sci::SCI_CHOOSECARETX);
        stickyX_ = static_cast<int>(xOf(editor_, stickyCaret_));
    }
    if (editor_.hasFocus()) sci(Sci::SCI_SETFOCUS, 1);  // shows the caret at once, as a move does
    revealAfterScroll(topBefore);
    return true;
}

void CaretMoves::setSelection(Pos anchor, Pos caret, bool rectangular) {
    if (rectangular) {
        sci(Sci::SCI_SETRECTANGULARSELECTIONANCHOR, static_cast<unsigned long>(anchor));
        sci(Sci::SCI_SETRECTANGULARSELECTIONCARET, static_cast<unsigned long>(caret));
        scrollToCaret();
    } else {
        sci(Sci::SCI_SETSEL, static_cast<unsigned long>(anchor), static_cast<long>(caret));
    }
}

void CaretMoves::finish(const CaretMove& move, Pos target) {
    switch (move.extend) {
        case Extend::None:
            setSelection(target, target, false);
            break;
        case Extend::Stream:
            setSelection(sci(Sci::SCI_GETANCHOR), target, false);
            break;
        case Extend::Rectangle:
            setSelection(sci(Sci::SCI_GETANCHOR), target, true);
            break;
    }
}

Pos CaretMoves::textTarget(const CaretMove& move) {
    if (move.extend == Extend::None) {
        // Left or right out of a selection stops at its edge.
        const Pos start = sci(Sci::SCI_GETSELECTIONSTART);
        const Pos end = sci(Sci::SCI_GETSELECTIONEND);
        if (move.plain == Sci::SCI_CHARLEFT && start != end) return start;
        if (move.plain == Sci::SCI_CHARRIGHT && start != end) return end;
    }
    return runInFinder(move.plain, sci(Sci::SCI_GETCURRENTPOS));
}

Pos CaretMoves::runInFinder(int command, Pos caret) {
    if (!finder_) {
        finder_ = std::make_unique<QsciScintillaBase>();
        finder_->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0UL, 0L);
    }
    // The editor may have been given another document since.
    const long document = sci(Sci::SCI_GETDOCPOINTER);
    if (finder_->SendScintilla(Sci::SCI_GETDOCPOINTER) != document)
        finder_->SendScintilla(Sci::SCI_SETDOCPOINTER, 0UL, document);
    // From an empty selection: a selection there would be offered as the primary selection
    // (under X11), copying it.
    finder_->SendScintilla(Sci::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(caret));
    finder_->SendScintilla(static_cast<unsigned int>(command));
    return finder_->SendScintilla(Sci::SCI_GETCURRENTPOS);
}

void CaretMoves::detachDocument() {
    // An empty document of the view's own; the next text command takes the editor's again.
    if (finder_) finder_->SendScintilla(Sci::SCI_SETDOCPOINTER, 0UL, 0L);
}

Pos CaretMoves::mainCaret() const {
    return sci(Sci::SCI_GETSELECTIONNCARET,
               static_cast<unsigned long>(sci(Sci::SCI_GETMAINSELECTION)));
}

int CaretMoves::stickyX(Pos caret) {
    if (caret != stickyCaret_) stickyX_ = static_cast<int>(xOf(editor_, caret));
    return stickyX_;
}

Pos CaretMoves::displayLinesAway(const CaretMove& move, int x) {
    const int direction = directionOf(move);
    const bool page = isPage(move);
    // Pages move from the main caret (in a rectangle, that of its last line); lines from a
    // rectangle's own caret, or out of it from the side they move to.
    Pos caret = page ? mainCaret() : sci(Sci::SCI_GETCURRENTPOS);
    if (!page && sci(Sci::SCI_SELECTIONISRECTANGLE) != 0 && move.extend == Extend::None)
        caret = sci(direction > 0 ? Sci::SCI_GETSELECTIONEND : Sci::SCI_GETSELECTIONSTART);
    const long lineHeight = sci(Sci::SCI_TEXTHEIGHT, 0);
    const long y = yOf(editor_, caret);
    if (page) {
        const long onScreen = sci(Sci::SCI_LINESONSCREEN);
        const long step = std::max(1L, onScreen - 1);
        const long displayed = sci(Sci::SCI_VISIBLEFROMDOCLINE,
                                   static_cast<unsigned long>(sci(Sci::SCI_GETLINECOUNT)));
        const long top = sci(Sci::SCI_GETFIRSTVISIBLELINE);
        const long lastTop = std::max(
            0L, sci(Sci::SCI_GETENDATLASTLINE) != 0 ? displayed - onScreen : displayed - 1);
        const long newTop = std::clamp(top + direction * step, 0L, lastTop);
        const Pos target = positionAt(editor_, x, y + direction * lineHeight * step);
        if (newTop != top) sci(Sci::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(newTop));
        return target;
    }
    const long newY = y + direction * lineHeight;
    Pos target = positionAt(editor_, x, newY);
    // A wrapped line may give back a place on the caret's own display line, or one past the
    // line aimed at: step back until the place lies on the line aimed at.
    if (direction < 0) {
        while (target > 0 && yOf(editor_, target) == y)
            target = sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(target));
    } else if (target != sci(Sci::SCI_GETLENGTH)) {
        while (target > caret && yOf(editor_, target) > newY)
            target = sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(target));
    }
    return target;
}

Pos CaretMoves::displayLineEnd(const CaretMove& move) {
    const bool toEnd = move.plain == Sci::SCI_LINEENDDISPLAY;
    const long y = yOf(editor_, sci(Sci::SCI_GETCURRENTPOS));
    Pos target = positionAt(editor_, toEnd ? editor_.viewport()->width() * 4L + 1000 : -1000, y);
    if (toEnd && yOf(editor_, target) != y) {
        // The end of a wrapped display line is the place before the next one begins.
        const Pos before = sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(target));
        if (target - before == 1) target = before;
    }
    return target;
}

void CaretMoves::select(Pos anchor, Pos caret) {
    const long topBefore = topLine();
    sci(Sci::SCI_SETSEL, static_cast<unsigned long>(anchor), static_cast<long>(caret));
    revealAfterScroll(topBefore);
}

long CaretMoves::topLine() const {
    return sci(Sci::SCI_GETFIRSTVISIBLELINE);
}

void CaretMoves::revealAfterScroll(long topBefore) {
    // Without a scroll the caret lies among lines the last paint wrapped.
    if (revealPosted_ || !wrapping() || topLine() == topBefore) return;
    revealPosted_ = true;
    QMetaObject::invokeMethod(
        &editor_,
        [this] {
            revealPosted_ = false;
            reveal();
        },
        Qt::QueuedConnection);
}

void CaretMoves::scrollToCaret() {
    // The caret of a rectangle, not that of its last line's selection, which the editor's
    // own "scroll to the caret" would show.
    const auto caret = static_cast<unsigned long>(sci(Sci::SCI_GETCURRENTPOS));
    sci(Sci::SCI_SCROLLRANGE, caret, static_cast<long>(caret));
}

bool CaretMoves::caretInView() const {
    const long y = yOf(editor_, sci(Sci::SCI_GETCURRENTPOS));
    return y >= 0 && y + sci(Sci::SCI_TEXTHEIGHT, 0) <= editor_.viewport()->height();
}

void CaretMoves::reveal() {
    if (!editor_.isVisible() || !wrapping()) return;
    // Painting wraps the lines in view, which may push the caret out of it; a few rounds
    // settle, as each brings lines into view that were wrapped in the round before.
    for (int round = 0; round < 3; ++round) {
        editor_.viewport()->repaint();
        if (caretInView()) return;
        scrollToCaret();
    }
}

}  // namespace scrivane
