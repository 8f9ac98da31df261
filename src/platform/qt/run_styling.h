#pragma once

#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"

class QsciScintillaBase;

namespace scrivane {

// The editor measures the width of each stretch of one style as a whole, and remembers the
// widths of short stretches only. Text styled in one piece is measured line by line with the
// toolkit's full text layout: tens of microseconds a line, a minute to wrap 1.5 million lines.
// Styled in short runs of styles that look the same, the runs repeat (words, blanks) and
// their widths come from the editor's cache instead.
//
// Runs are the stretches of non-blank bytes (kWordStyle) and pieces of at most kBlankPiece
// blanks (space, tab, CR, LF), which take turns between the two kBlankStyles. A run boundary
// is never inside a word, so shaping within words is kept; the editor wraps at blanks only
// (whitespace wrapping), so the runs change no line breaks. A run's styles follow from the
// run alone: styling text again that did not change changes no style, which the editor would
// otherwise take for styling spilling over a line end, and answer by wrapping every line
// below the view anew.
inline constexpr int kWordStyle = 1;
inline constexpr int kBlankStyles[2] = {0, 2};
inline constexpr int kRunStyles[3] = {0, 1, 2};
inline constexpr std::size_t kBlankPiece = 16;
// Wrap Text: at blanks only.
inline constexpr int kWrapMode = 3;  // SC_WRAP_WHITESPACE

// Sets the editor's wrapping, the size of its width cache, what line layouts it keeps, and
// hides annotations.
void prepareLayout(QsciScintillaBase& editor);

// One style byte per byte of `text` (which starts a run), appended to `styles`.
void runStyles(std::string_view text, std::string& styles);

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
