#pragma once

#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"

class QsciScintillaBase;

namespace scrivane {

// The editor measures the width of each stretch of one style as a whole, and remembers the
// widths of short stretches only. Text styled in one piece is measured line by line with the
// toolkit's full text layout: tens of microseconds a line, a minute to wrap 1.5 million lines.
// Styled in short runs that take turns between two styles of the same look, the runs repeat
// (words, blanks) and their widths come from the editor's cache instead.
//
// Runs are the stretches of non-blank bytes and pieces of at most kBlankPiece blanks (space,
// tab, CR, LF). A run boundary is never inside a word, so shaping within words is kept; the
// editor wraps at blanks only (whitespace wrapping), so the runs change no line breaks.
inline constexpr int kRunStyles[2] = {0, 1};
inline constexpr std::size_t kBlankPiece = 16;
// Wrap Text: at blanks only.
inline constexpr int kWrapMode = 3;  // SC_WRAP_WHITESPACE

// Sets the editor's wrapping, the size of its width cache and what line layouts it keeps.
void prepareLayout(QsciScintillaBase& editor);

// One style byte per byte of `text`, appended to `styles`: each run takes the other style
// than the run before it, the first one the other style than `styleBefore`.
void runStyles(std::string_view text, char styleBefore, std::string& styles);

// Answers the editor's requests for styling (it asks for [end of styled text, position)).
class RunStyler {
  public:
    explicit RunStyler(QsciScintillaBase& editor) : editor_(editor) {}
    void styleNeeded(Pos position);

  private:
    long sci(unsigned int msg, unsigned long wParam = 0, long lParam = 0) const;
    Pos runStart(Pos pos) const;
    void styleRange(Pos from, Pos to);

    QsciScintillaBase& editor_;
    std::string styles_;
};

}  // namespace scrivane
