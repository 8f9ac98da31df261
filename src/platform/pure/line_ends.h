#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// How a file on disk breaks its lines, noted when it is opened so that saving writes
// the same convention back.
enum class LineEnds { CrLf, Lf, Cr };

// The convention a new document gets on this platform.
LineEnds platformLineEnds();

// The convention of file bytes: LF-only stays LF, CR-only stays CR, CR LF or any mixture
// is CR LF; a text without line breaks gets `fallback`.
LineEnds detectLineEnds(std::string_view bytes, LineEnds fallback);

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
