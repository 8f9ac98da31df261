#include "platform/qt/caret_moves.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QKeyEvent>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

enum class Kind { Native, Text, DisplayLines, DisplayLineEnds };

Kind kindOf(int command) {
    switch (command) {
        case Sci::SCI_LINEDOWN:
        case Sci::SCI_LINEDOWNEXTEND:
        case Sci::SCI_LINEDOWNRECTEXTEND:
        case Sci::SCI_LINEUP:
        case Sci::SCI_LINEUPEXTEND:
        case Sci::SCI_LINEUPRECTEXTEND:
        case Sci::SCI_PAGEDOWN:
        case Sci::SCI_PAGEDOWNEXTEND:
        case Sci::SCI_PAGEDOWNRECTEXTEND:
        case Sci::SCI_PAGEUP:
        case Sci::SCI_PAGEUPEXTEND:
        case Sci::SCI_PAGEUPRECTEXTEND:
            return Kind::DisplayLines;
        case Sci::SCI_HOMEDISPLAY:
        case Sci::SCI_HOMEDISPLAYEXTEND:
        case Sci::SCI_LINEENDDISPLAY:
        case Sci::SCI_LINEENDDISPLAYEXTEND:
            return Kind::DisplayLineEnds;
        case Sci::SCI_CHARLEFT:
        case Sci::SCI_CHARLEFTEXTEND:
        case Sci::SCI_CHARLEFTRECTEXTEND:
        case Sci::SCI_CHARRIGHT:
        case Sci::SCI_CHARRIGHTEXTEND:
        case Sci::SCI_CHARRIGHTRECTEXTEND:
        case Sci::SCI_WORDLEFT:
        case Sci::SCI_WORDLEFTEXTEND:
        case Sci::SCI_WORDRIGHT:
        case Sci::SCI_WORDRIGHTEXTEND:
        case Sci::SCI_WORDLEFTEND:
        case Sci::SCI_WORDLEFTENDEXTEND:
        case Sci::SCI_WORDRIGHTEND:
        case Sci::SCI_WORDRIGHTENDEXTEND:
        case Sci::SCI_WORDPARTLEFT:
        case Sci::SCI_WORDPARTLEFTEXTEND:
        case Sci::SCI_WORDPARTRIGHT:
        case Sci::SCI_WORDPARTRIGHTEXTEND:
        case Sci::SCI_HOME:
        case Sci::SCI_HOMEEXTEND:
        case Sci::SCI_HOMERECTEXTEND:
        case Sci::SCI_VCHOME:
        case Sci::SCI_VCHOMEEXTEND:
        case Sci::SCI_VCHOMERECTEXTEND:
        case Sci::SCI_LINEEND:
        case Sci::SCI_LINEENDEXTEND:
        case Sci::SCI_LINEENDRECTEXTEND:
        case Sci::SCI_DOCUMENTSTART:
        case Sci::SCI_DOCUMENTSTARTEXTEND:
        case Sci::SCI_DOCUMENTEND:
        case Sci::SCI_DOCUMENTENDEXTEND:
        case Sci::SCI_PARADOWN:
        case Sci::SCI_PARADOWNEXTEND:
        case Sci::SCI_PARAUP:
        case Sci::SCI_PARAUPEXTEND:
        case Sci::SCI_DELWORDLEFT:
        case Sci::SCI_DELWORDRIGHT:
        case Sci::SCI_DELWORDRIGHTEND:
        case Sci::SCI_DELLINELEFT:
        case Sci::SCI_DELLINERIGHT:
            return Kind::Text;
        default:
            return Kind::Native;
    }
}

// How a move treats the selection: collapse it, extend it, or extend it as a rectangle.
enum class Extend { None, Stream, Rectangle };

Extend extendOf(int command) {
    switch (command) {
        case Sci::SCI_LINEDOWNEXTEND:
        case Sci::SCI_LINEUPEXTEND:
        case Sci::SCI_PAGEDOWNEXTEND:
        case Sci::SCI_PAGEUPEXTEND:
        case Sci::SCI_HOMEDISPLAYEXTEND:
        case Sci::SCI_LINEENDDISPLAYEXTEND:
            return Extend::Stream;
        case Sci::SCI_LINEDOWNRECTEXTEND:
        case Sci::SCI_LINEUPRECTEXTEND:
        case Sci::SCI_PAGEDOWNRECTEXTEND:
        case Sci::SCI_PAGEUPRECTEXTEND:
            return Extend::Rectangle;
        default:
            return Extend::None;
    }
}

int directionOf(int command) {
    switch (command) {
        case Sci::SCI_LINEUP:
        case Sci::SCI_LINEUPEXTEND:
        case Sci::SCI_LINEUPRECTEXTEND:
        case Sci::SCI_PAGEUP:
        case Sci::SCI_PAGEUPEXTEND:
        case Sci::SCI_PAGEUPRECTEXTEND:
            return -1;
        default:
            return 1;
    }
}

// Paragraph moves keep the place vertical moves aim at; every other text command sets it
// to where the caret ends up.
bool keepsStickyX(int command) {
    switch (command) {
        case Sci::SCI_PARADOWN:
        case Sci::SCI_PARADOWNEXTEND:
        case Sci::SCI_PARAUP:
        case Sci::SCI_PARAUPEXTEND:
            return true;
        default:
            return false;
    }
}

bool isPageMove(int command) {
    switch (command) {
        case Sci::SCI_PAGEDOWN:
        case Sci::SCI_PAGEDOWNEXTEND:
        case Sci::SCI_PAGEDOWNRECTEXTEND:
        case Sci::SCI_PAGEUP:
        case Sci::SCI_PAGEUPEXTEND:
        case Sci::SCI_PAGEUPRECTEXTEND:
            return true;
        default:
            return false;
    }
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
    if (bound == nullptr) return false;
    const int command = static_cast<int>(bound->command());
    switch (kindOf(command)) {
        case Kind::Native:
            return false;
        case Kind::Text:
            runInFinder(command);
            break;
        case Kind::DisplayLines:
            moveByDisplayLines(command);
            break;
        case Kind::DisplayLineEnds:
            moveInDisplayLine(command);
            break;
    }
    if (editor_.hasFocus()) sci(Sci::SCI_SETFOCUS, 1);  // shows the caret at once, as a move does
    caretPlaced();
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

void CaretMoves::runInFinder(int command) {
    if (!finder_) {
        finder_ = std::make_unique<QsciScintillaBase>();
        finder_->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0UL, 0L);
        finder_->SendScintilla(Sci::SCI_SETDOCPOINTER, 0UL, sci(Sci::SCI_GETDOCPOINTER));
    }
    QsciScintillaBase& f = *finder_;
    const bool rectangular = sci(Sci::SCI_SELECTIONISRECTANGLE) != 0;
    const int x = stickyX(mainCaret());
    f.SendScintilla(Sci::SCI_SETEMPTYSELECTION,
                    static_cast<unsigned long>(sci(Sci::SCI_GETCURRENTPOS)));
    if (rectangular) {
        f.SendScintilla(Sci::SCI_SETRECTANGULARSELECTIONANCHOR,
                        static_cast<unsigned long>(sci(Sci::SCI_GETRECTANGULARSELECTIONANCHOR)));
        f.SendScintilla(Sci::SCI_SETRECTANGULARSELECTIONCARET,
                        static_cast<unsigned long>(sci(Sci::SCI_GETRECTANGULARSELECTIONCARET)));
    } else {
        f.SendScintilla(Sci::SCI_SETANCHOR, static_cast<unsigned long>(sci(Sci::SCI_GETANCHOR)));
    }
    f.SendScintilla(static_cast<unsigned int>(command));
    const bool rectangleAfter = f.SendScintilla(Sci::SCI_SELECTIONISRECTANGLE) != 0;
    if (rectangleAfter) {
        setSelection(f.SendScintilla(Sci::SCI_GETRECTANGULARSELECTIONANCHOR),
                     f.SendScintilla(Sci::SCI_GETRECTANGULARSELECTIONCARET), true);
    } else {
        setSelection(f.SendScintilla(Sci::SCI_GETANCHOR), f.SendScintilla(Sci::SCI_GETCURRENTPOS),
                     false);
    }
    stickyCaret_ = mainCaret();
    if (keepsStickyX(command)) {
        stickyX_ = x;
    } else {
        // Vertical moves after this one aim at where the caret now is.
        sci(Sci::SCI_CHOOSECARETX);
        stickyX_ = static_cast<int>(xOf(editor_, stickyCaret_));
    }
}

Pos CaretMoves::mainCaret() const {
    return sci(Sci::SCI_GETSELECTIONNCARET,
               static_cast<unsigned long>(sci(Sci::SCI_GETMAINSELECTION)));
}

int CaretMoves::stickyX(Pos caret) {
    if (caret != stickyCaret_) stickyX_ = static_cast<int>(xOf(editor_, caret));
    return stickyX_;
}

void CaretMoves::moveByDisplayLines(int command) {
    const int direction = directionOf(command);
    const Extend extend = extendOf(command);
    const bool rectangular = sci(Sci::SCI_SELECTIONISRECTANGLE) != 0;
    const bool page = isPageMove(command);
    const Pos anchor =
        rectangular ? sci(Sci::SCI_GETRECTANGULARSELECTIONANCHOR) : sci(Sci::SCI_GETANCHOR);
    // Pages move from the main caret (in a rectangle, that of its last line); lines from a
    // rectangle's own caret, or out of it from the side they move to.
    Pos caret = page ? mainCaret() : sci(Sci::SCI_GETCURRENTPOS);
    if (rectangular && !page) {
        if (extend == Extend::None) {
            caret = direction > 0 ? sci(Sci::SCI_GETSELECTIONEND) : sci(Sci::SCI_GETSELECTIONSTART);
        } else {
            caret = sci(Sci::SCI_GETRECTANGULARSELECTIONCARET);
        }
    }
    const long lineHeight = sci(Sci::SCI_TEXTHEIGHT, 0);
    const long y = yOf(editor_, caret);
    const int x = stickyX(mainCaret());
    Pos target = 0;
    if (page) {
        const long onScreen = sci(Sci::SCI_LINESONSCREEN);
        const long step = std::max(1L, onScreen - 1);
        const long displayed = sci(Sci::SCI_VISIBLEFROMDOCLINE,
                                   static_cast<unsigned long>(sci(Sci::SCI_GETLINECOUNT)));
        const long top = sci(Sci::SCI_GETFIRSTVISIBLELINE);
        const long lastTop = std::max(
            0L, sci(Sci::SCI_GETENDATLASTLINE) != 0 ? displayed - onScreen : displayed - 1);
        const long newTop = std::clamp(top + direction * step, 0L, lastTop);
        target = positionAt(editor_, x, y + direction * lineHeight * step);
        if (newTop != top) sci(Sci::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(newTop));
    } else {
        const long newY = y + direction * lineHeight;
        target = positionAt(editor_, x, newY);
        // A wrapped line may give back a place on the caret's own display line, or one past the
        // line aimed at: step back until the place lies on the line aimed at.
        if (direction < 0) {
            while (target > 0 && yOf(editor_, target) == y)
                target = sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(target));
        } else if (target != sci(Sci::SCI_GETLENGTH)) {
            while (target > caret && yOf(editor_, target) > newY)
                target = sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(target));
        }
    }
    switch (extend) {
        case Extend::None:
            setSelection(target, target, false);
            break;
        case Extend::Stream:
            setSelection(rectangular ? sci(Sci::SCI_GETANCHOR) : anchor, target, false);
            break;
        case Extend::Rectangle:
            setSelection(anchor, target, true);
            break;
    }
    stickyCaret_ = mainCaret();
    stickyX_ = x;
}

void CaretMoves::moveInDisplayLine(int command) {
    const bool toEnd =
        command == Sci::SCI_LINEENDDISPLAY || command == Sci::SCI_LINEENDDISPLAYEXTEND;
    const Pos caret = sci(Sci::SCI_GETCURRENTPOS);
    const long y = yOf(editor_, caret);
    Pos target = positionAt(editor_, toEnd ? editor_.viewport()->width() * 4L + 1000 : -1000, y);
    if (toEnd && yOf(editor_, target) != y) {
        // The end of a wrapped display line is the place before the next one begins.
        const Pos before = sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(target));
        if (target - before == 1) target = before;
    }
    const bool extend = extendOf(command) == Extend::Stream;
    setSelection(extend ? sci(Sci::SCI_GETANCHOR) : target, target, false);
    sci(Sci::SCI_CHOOSECARETX);
    stickyCaret_ = mainCaret();
    stickyX_ = static_cast<int>(xOf(editor_, stickyCaret_));
}

void CaretMoves::caretPlaced() {
    if (revealPosted_ || !wrapping()) return;
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
