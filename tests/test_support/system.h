// What tests need of the system beyond the library's own file layer: which kind of
// system runs them, the superuser, symbolic links and named pipes (system_posix.cpp,
// system_win.cpp). A test of what only a POSIX system has skips itself elsewhere
// through QORU_SKIP_UNLESS_POSIX, saying why.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qoru::test {

// Whether the tests run on a POSIX system (false on Windows).
bool PosixSystem();
// Whether the tests run as the superuser, who may write anywhere (never on Windows).
bool RunningAsRoot();
// Makes a symbolic link at `link` to `target`; false when it cannot.
bool MakeSymlink(const std::string& target, const std::string& link);
// Makes a named pipe at `path`; false when it cannot (always on Windows).
bool MakeFifo(const std::string& path);
// A path as the plug-in returns it to the host: the GBK path in UTF-16, its separators
// the system's ("\\" on Windows).
std::u16string ResultPath(const std::string& path);

}  // namespace qoru::test

#define QORU_SKIP_UNLESS_POSIX(why) \
  if (!::qoru::test::PosixSystem()) GTEST_SKIP() << "needs a POSIX system: " << why
