#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scrivane {

// Text crossing between a document and the toolkit (clipboard, boxes, captions). Toolkit text
// is UTF-8; a document is UTF-8 or, when its bytes are not valid UTF-8, one byte per Latin-1
// character.

// Document bytes as UTF-8.
std::string documentToUtf8(std::string_view bytes, bool utf8Document);

// UTF-8 text as document bytes: unchanged for a UTF-8 document; for a Latin-1 one each
// character above U+00FF becomes '?'. Bytes that are not valid UTF-8 are kept as they are.
std::string utf8ToDocument(std::string_view text, bool utf8Document);

// Bytes shown to the user as UTF-8 where they are UTF-8: every byte that starts no valid
// sequence is written as "\xHH" (a file name from a Latin-1 disk reads "r\xE9sum\xE9.txt").
std::string escapeInvalidUtf8(std::string_view bytes);

// The number of characters of valid UTF-8 text (bytes that start no character are counted
// one each), and the byte length of its first `count` characters.
std::size_t utf8Length(std::string_view text);
std::size_t utf8Prefix(std::string_view text, std::size_t count);

// Byte length of the character starting at `pos` (1 for any byte of a Latin-1 document or
// for a stray byte), and the start of the character that ends at `pos`.
std::size_t charLengthAt(std::string_view text, std::size_t pos, bool utf8Document);
std::size_t charStartBefore(std::string_view text, std::size_t pos, bool utf8Document);

// The character boundary at or before byte `at` of `window`, which holds the three bytes
// before it and the four from it where the text has them: never between the CR and LF of a line
// break, nor inside a UTF-8 character of a UTF-8 document, where one keystroke would split it.
std::size_t charBoundaryInWindow(std::string_view window, std::size_t at, bool utf8Document);

}  // namespace scrivane
