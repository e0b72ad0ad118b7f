// What Windows makes of a name: both separators, the device names and characters a file
// name cannot hold, names told apart without regard to case (as the file system maps
// it), the UTF-8 name SQLite is given and its VFS for long paths.
#include <windows.h>

#include <cwctype>

#include "files/os_file.h"
#include "files/os_file_edge_win.h"
#include "text/gbk_codec.h"

namespace qoru::os {

using win::Wide;

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::string Utf8FileName(const std::string& path) {
  const std::wstring wide = Wide(path);
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

const char* SqliteVfs() {
  // The default VFS cuts a full path short at 1040 bytes of UTF-8 (260 characters of
  // four bytes), and Windows refuses one beyond 260 characters without the long form.
  return "win32-longpath";
}

bool IsReservedName(const std::string& name, std::string* why) {
  const std::u16string utf16 = GbkToUtf16(name);
  const auto say = [&](const char* text) {
    if (why != nullptr) *why = text;
    return true;
  };
  if (utf16.empty()) return false;
  const char16_t last = utf16.back();
  if (last == u'.' || last == u' ') return say("Windows 的文件名不能以句点或空格结尾");
  for (const char16_t c : utf16)
    if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'\\' || c == u'|' ||
        c == u'?' || c == u'*')
      return say("名称中有 Windows 文件名不允许的字符（< > : \" \\ | ? * 或控制字符）");
  // A device name, also with an extension ("NUL.txt") or blanks before it.
  std::u16string stem = utf16.substr(0, utf16.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  std::string upper;
  for (const char16_t c : stem) {
    if (c >= 0x80) return false;
    upper += static_cast<char>(std::towupper(c));
  }
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (upper == device) return say("这是 Windows 的设备名，不能作为文件名");
  if (upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) &&
      upper[3] >= '0' && upper[3] <= '9')
    return say("这是 Windows 的设备名，不能作为文件名");
  return false;
}

std::string FileNameKey(const std::string& name) {
  const std::u16string utf16 = GbkToUtf16(name);
  std::wstring wide(utf16.begin(), utf16.end());
  if (!wide.empty()) {
    // Case mapped as the file system maps it: without regard to any language.
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr, 0);
    std::wstring upper(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0 &&
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                      static_cast<int>(wide.size()), upper.data(), n, nullptr, nullptr, 0) == n)
      wide = upper;
  }
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace qoru::os
