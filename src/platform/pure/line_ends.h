#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

// How a file on disk breaks its lines, noted when it is opened so that saving writes
// the same convention back.
enum class LineEnds { CrLf, Lf, Cr };

// The convention a new document gets on this platform.
LineEnds platformLineEnds();

// The line end a file uses most: CR LF when it ties for most, LF over CR on a tie between
// those two; a text without line breaks gets `fallback`.
LineEnds detectLineEnds(std::string_view bytes, LineEnds fallback);

// How many breaks of each form a text holds, and the ending detectLineEnds picks from them.
struct BreakCounts {
    std::size_t crlf = 0;
    std::size_t lf = 0;
    std::size_t cr = 0;
};
LineEnds mostUsed(const BreakCounts& counts, LineEnds fallback);

// File bytes as the editor holds them, every break CR LF, with what it takes to write each
// break back as it was: the usual ending and the lines that differ from it, in line order.
struct DocumentText {
    std::string text;
    LineEnds usual = LineEnds::CrLf;
    std::vector<LineBreak> breaks;
};

// Reads file bytes into document text; `fallback` is the usual ending of a file without
// breaks. Takes the bytes so that a file already in CR LF is not copied.
DocumentText readLineEnds(std::string bytes, LineEnds fallback);

// Document text (CR LF) as file bytes: each break listed in `breaks` as it was, every other
// one as `usual`. writeLineEnds(readLineEnds(b)) == b for all bytes b.
std::string writeLineEnds(std::string_view text, LineEnds usual,
                          const std::vector<LineBreak>& breaks);

// writeLineEnds a piece at a time, so that a large document is never held whole in its file
// form: `sink` hears the bytes in order, in pieces of at most `pieceSize`. False from the sink
// stops the writing and is given back.
using PieceSink = std::function<bool(std::string_view piece)>;
inline constexpr std::size_t kSavePiece = std::size_t{16} << 20;
bool writeLineEndsInPieces(std::string_view text, LineEnds usual,
                           const std::vector<LineBreak>& breaks, std::size_t pieceSize,
                           const PieceSink& sink);

// The editor's line-end normaliser: looks at the first and last line break only, and when
// they are not both CR LF turns every CR LF, CR and LF into CR LF. Changes `s` in place.
void fixlines(std::string& s);

// Every CR LF, lone CR and lone LF becomes CR LF. What the surface does to all text written
// into it.
std::string toCrLf(std::string_view s);
void toCrLfInPlace(std::string& s);

// Where the first line break of `s` that is not a CR LF pair starts, s.size() when there is
// none: toCrLf leaves the text before it as it is.
std::size_t firstLoneBreak(std::string_view s);

// Document text (CR LF) as bytes for a file with convention `ends`.
std::string fromCrLf(std::string_view text, LineEnds ends);

}  // namespace scrivane
