#pragma once

#include <functional>
#include <vector>

#include "platform/pure/rich_text.h"
#include "platform/pure/run_styles.h"

namespace scrivane {

// What the editor knows of a document besides its bytes, byte by byte as runs: the marking
// (colour, strike-through, change marker) and how each line break is written to the file
// (kept on the break's LF). Kept current edit by edit, whoever holds the bytes: the editing
// component in the program, a MarkedText in tests and tools. New bytes are plain and their
// breaks usual; a removed break goes with its LF.
class DocumentMarks {
  public:
    Pos length() const { return marking_.length(); }

    void inserted(Pos pos, Pos length);
    void removed(Pos pos, Pos length);
    // All plain, every break usual, over a text of `length` bytes.
    void reset(Pos length);

    void mark(Pos pos, Pos length, const Marking& marking);
    Marking markingAt(Pos pos) const;
    // The marking of [from, to), in order; empty when all of it is plain.
    std::vector<TextRun> runs(Pos from, Pos to) const;
    bool anyStrike(Pos from, Pos to) const;
    // The end of the stretch from `pos` whose bytes share the colour of the byte at `pos`.
    Pos colourRunEnd(Pos pos) const;
    // The first marker at or after `pos`; length() when there is none.
    Pos nextMarker(Pos pos) const;

    // The lines whose break is not usual, in order; `lineOf` gives the line of a position.
    std::vector<LineBreak> breaks(const std::function<Pos(Pos)>& lineOf) const;
    // Every break usual but those listed; `lfOf` gives the position of the LF ending a line
    // (or -1 when the text has no such line).
    void setBreaks(const std::vector<LineBreak>& breaks, const std::function<Pos(Pos)>& lfOf);

  private:
    RunStyles<Marking> marking_;
    RunStyles<LineEnd> ends_{LineEnd::Usual};
};

}  // namespace scrivane
