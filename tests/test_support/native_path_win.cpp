#include "test_support/native_path.h"

#include "text/gbk_codec.h"

namespace qoru::test {

std::filesystem::path FsPath(const std::string& path) {
  const std::u16string utf16 = GbkToUtf16(path);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string NativePath(const std::filesystem::path& path) {
  const std::wstring wide = path.wstring();
  return Utf8ToGbk(Utf16ToUtf8(std::u16string(wide.begin(), wide.end())));
}

std::string OneSeparator(std::string text) {
  for (char& c : text)
    if (c == '\\') c = '/';
  return text;
}

}  // namespace qoru::test
