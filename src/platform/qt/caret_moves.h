#pragma once

#include <memory>

#include "platform/pure/rich_text.h"

class QKeyEvent;
class QsciScintilla;
class QsciScintillaBase;

namespace scrivane {

struct CaretMove;

// Caret keys with Wrap Text on, answered without the editor's wait for wrapping.
//
// The editor wraps lines lazily: those in view when it paints, the rest from the top in idle
// slices. But whenever one of its own caret commands (arrows, Page Down, Ctrl+End, word moves,
// deleting a word) leaves the caret below the last line wrapped so far, it first wraps every
// line up to the end of the document in one go: a minute for 1.5 million lines. Here those
// commands end in setting the selection instead, which scrolls by the lines' heights as far
// as they are known:
// - commands that work on the text alone (characters, words, line start and end, paragraphs,
//   document start and end, deleting words) run in a hidden second view of the same document
//   that does not wrap, and the view takes over the selection they leave;
// - commands that work on display lines (up, down, page up and down, display line start and
//   end) are worked out from positions and points on screen as the editor works them out.
// After a jump the lines around the caret are wrapped as they come into view; reveal() keeps
// the caret in view while their heights change.
class CaretMoves {
  public:
    explicit CaretMoves(QsciScintilla& editor);
    ~CaretMoves();
    CaretMoves(const CaretMoves&) = delete;
    CaretMoves& operator=(const CaretMoves&) = delete;

    // Carries out the caret command bound to the key when wrapping is on; false when the
    // editor is to handle the key itself.
    bool keyPressed(const QKeyEvent& event);

    // Sets the selection for the rest of the program (caret last; scrolls like the editor's
    // "go to" commands); when that scrolled, then once the current event is done, the lines
    // now in view are wrapped (by painting them) and the caret kept in view.
    void select(Pos anchor, Pos caret);

    // The editor was given another document: the hidden view lets go of the old one, which
    // would otherwise stay in memory as long as the view holds it.
    void detachDocument();

  private:
    long sci(unsigned int msg, unsigned long wParam = 0, long lParam = 0) const;
    bool wrapping() const;
    Pos textTarget(const CaretMove& move);
    // Where the hidden view's `command` takes a caret at `caret` (with no selection).
    Pos runInFinder(int command, Pos caret);
    Pos displayLinesAway(const CaretMove& move, int x);
    Pos displayLineEnd(const CaretMove& move);
    // Sets the selection `move` leaves, its caret at `target`.
    void finish(const CaretMove& move, Pos target);
    void setSelection(Pos anchor, Pos caret, bool rectangular);
    // The caret of the main selection (in a rectangle, that of its last line).
    Pos mainCaret() const;
    int stickyX(Pos caret);
    long topLine() const;
    // Once the current event is done, when the view scrolled from `topBefore`.
    void revealAfterScroll(long topBefore);
    void scrollToCaret();
    bool caretInView() const;
    void reveal();

    QsciScintilla& editor_;
    // The hidden view that runs text commands; made on first use.
    std::unique_ptr<QsciScintillaBase> finder_;
    // The horizontal place vertical moves aim at, while the main caret stays where the last
    // command here left it.
    Pos stickyCaret_ = -1;
    int stickyX_ = 0;
    bool revealPosted_ = false;
};

}  // namespace scrivane
