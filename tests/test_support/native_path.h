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

}  // namespace qoru::test
