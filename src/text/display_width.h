// Columns that UTF-8 text takes on a terminal, for lines that must never wrap: the
// C library's wcwidth (C.UTF-8), but the characters whose width terminals disagree on
// (general punctuation such as "…" and curly quotes, the private use area, U+FFFD)
// take two columns, which can waste a column but never lets a line wrap. Control and
// combining characters take none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qoru {

// Columns of one code point.
int CodePointColumns(char32_t c);

// Columns of UTF-8 text; a byte that does not decode counts as one column.
std::size_t DisplayColumns(std::string_view utf8);

// The longest prefix of `utf8` that takes at most `columns` columns, never cutting a
// character; when it had to cut, the prefix ends in "…" within the same columns.
std::string FitColumns(std::string_view utf8, std::size_t columns);

// Splits UTF-8 text into lines of at most `columns` columns each. Lines break between
// characters (Chinese text has no blanks) but not inside a run of ASCII letters, digits
// and path characters unless the run alone is too long; punctuation that must not
// start a line ("，", "。", "）" ...) stays at the end of the line before, a little
// beyond the columns. A newline in the text starts a new line.
std::vector<std::string> WrapColumns(const std::string& text, std::size_t columns);

// The lines a terminal `columns` wide shows a message in without wrapping any: broken by
// WrapColumns two columns short of the width (room for punctuation kept at a line's
// end), blanks that start the message indenting every line.
std::vector<std::string> TerminalLines(const std::string& message, int columns);

// The width of the terminal on `fd`, or 80 when it is none.
int TerminalColumns(int fd);

}  // namespace qoru
