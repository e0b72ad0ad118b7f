// How a path shows as text. Every path that reaches a message, the log, a JSON report
// or a workpaper goes through PathText, so that a folder named in Chinese reads the
// same everywhere: path_text_posix.cpp on Linux, path_text_win.cpp on Windows.
//
// A path inside the program is a byte string as the system gave it: on Linux the bytes
// of the file system (UTF-8 on any current system), on Windows GBK, the ANSI code page
// that the host and the command line's arguments give paths in. Names read from a
// data set (a table file named in GSSM.txt) are data, GBK on every system, and are
// shown by GbkToUtf8 (text/gbk_codec.h) instead.
#pragma once

#include <string>
#include <string_view>

namespace qoru {

// `path` as UTF-8 text for a reader. Linux: the bytes as given, each sequence that is
// not UTF-8 shown as U+FFFD (a name that only looks odd, never a text that breaks a
// JSON report); Windows: the GBK converted. The same for any other word of the command
// line, which arrives as a path does.
std::string PathText(std::string_view path);

// The reverse: the path of a name given as UTF-8 text (a workpaper named after a book
// set). Linux: the text as it stands; Windows: converted to GBK.
std::string PathFromText(const std::string& text);

}  // namespace qoru
