#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/line_ends.h"

namespace scrivane {

// readLineEnds for a file read piece by piece, so that a file far larger than what one buffer
// should hold goes into the document without a whole copy of it: each piece's text comes out
// with every break CR LF, and the breaks that are not `usual` are noted. A CR at the end of a
// piece waits for the next one, which may begin with its LF. Given the usual ending that
// readLineEnds finds, the pieces joined give exactly its text and breaks.
class LineEndStream {
  public:
    explicit LineEndStream(LineEnds usual);

    // Appends the document text of the next `bytes` of the file to `out`.
    void add(std::string_view bytes, std::string& out);
    // The end of the file: a CR still waiting is a lone one.
    void finish(std::string& out);
    // Takes the ending readLineEnds would find for everything added as usual, noting the
    // breaks again against it when it differs from the one the stream began with.
    void settleUsual(LineEnds fallback);

    LineEnds usual() const { return usual_; }
    std::vector<LineBreak>& breaks() { return breaks_; }

  private:
    void note(LineEnd end);

    LineEnds usual_;
    LineEnd usualEnd_;
    bool pendingCr_ = false;
    Pos line_ = 0;
    BreakCounts counts_;
    std::vector<LineBreak> breaks_;
};

}  // namespace scrivane
