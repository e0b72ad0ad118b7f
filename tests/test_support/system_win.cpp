#include <windows.h>

#include "test_support/native_path.h"
#include "test_support/system.h"
#include "text/gbk_codec.h"

namespace qoru::test {

bool PosixSystem() {
  return false;
}

bool RunningAsRoot() {
  return false;
}

bool MakeSymlink(const std::string& target, const std::string& link) {
  const std::filesystem::path to = FsPath(target);
  std::error_code ec;
  const DWORD flags = std::filesystem::is_directory(to, ec) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  return CreateSymbolicLinkW(FsPath(link).c_str(), to.c_str(), flags) != 0;
}

bool MakeFifo(const std::string&) {
  return false;
}

std::u16string ResultPath(const std::string& path) {
  std::u16string result = GbkToUtf16(path);
  for (char16_t& c : result)
    if (c == u'/') c = u'\\';
  return result;
}

}  // namespace qoru::test
