// Paths of the tests (GBK byte strings, as the library takes them) as std::filesystem
// paths and back: the bytes themselves on POSIX systems (native_path_posix.cpp), the
// UTF-16 of the GBK text on Windows (native_path_win.cpp), where the standard library
// would otherwise read the bytes as UTF-8.
#pragma once

#include <filesystem>
#include <string>

namespace qoru::test {

std::filesystem::path FsPath(const std::string& path);
std::string NativePath(const std::filesystem::path& path);
// UTF-8 text (a program's output, a path) with the path separators made one kind, "/",
// for finding a path in what a program wrote: Windows takes and shows both "\" and "/";
// the text as it stands on POSIX systems, where "\" is a character of a name.
std::string OneSeparator(std::string text);

}  // namespace qoru::test
