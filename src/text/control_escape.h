// What a person reads on a terminal or in a text file the program writes: a book set's
// text, a path or a value may hold control characters (an escape sequence that sets the
// clipboard or rewrites the screen), which must show as what they are instead of acting.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qoru {

// `utf8` with every control character but the line end (LF) written as \xNN, its code
// in two lower-case hex digits: C0 (CR and TAB included), DEL, and C1 (U+0080 to
// U+009F, and a byte 0x80 to 0x9F that is no part of a UTF-8 character). Every other
// byte is kept as it stands.
std::string EscapeControls(std::string_view utf8);

// Writes EscapeControls(utf8) to `stream`: the way every message, status line and text
// report of the program reaches stdout, stderr or a text file. JSON goes out as it
// stands (its own escapes keep it whole), and a face's own control sequences (the
// status line's "\r" and "\x1b[K") are written apart from the text they frame.
void ShowText(std::FILE* stream, std::string_view utf8);

}  // namespace qoru
