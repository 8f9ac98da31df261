#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/rich_text_box.h"

namespace scrivane {

// Line number (from 1) of a 0-based position.
Pos lineof(const RichTextBox& rtb, Pos pos);

// Selects |len| characters from `start` (a negative length counts as its magnitude), shows
// them with the lines around them and focuses the surface. The caller arms the caption timer.
void textgotochar(RichTextBox& rtb, Pos start, Pos len);

// Selects line `n` (from 1) without its line break: a number past the end selects the last
// line that holds characters. Bisects over positions, so it never copies the text.
void gotoline(RichTextBox& rtb, Pos n);

// Reads the go-to box as a decimal number (leading blanks, sign, digits, one decimal point; reading
// stops at the first character that does not fit) rounded half to even. Text that does not begin
// with a number reads as 0.
double readNumber(std::string_view text);
Pos roundHalfEven(double value);

// The go-to button: the line number in `boxText`, when it is a whole number above 0.
std::optional<Pos> gotoTarget(std::string_view boxText);

// What Goto Line puts into the box: the caret's line number.
std::string caretLineText(const RichTextBox& rtb);

}  // namespace scrivane
