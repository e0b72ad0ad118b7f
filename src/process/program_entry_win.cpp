// The command-line host's process on Windows: the arguments come as UTF-16 (wmain) and
// go on as GBK, the library's text, with "\" turned into "/" (a path's separators are
// then one kind inside; Windows takes both). What the host writes is UTF-8: a console
// shows it through WriteConsoleW (faces/console.h), and a pipe or file receives it as it
// stands.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "faces/console.h"
#include "process/program_entry.h"
#include "text/gbk_codec.h"

namespace {

// DLLs from the system's folder and the program's own only, before anything loads one:
// never from the current folder (a book set's, where a planted DLL could wait) nor
// along PATH. Windows 7 without its update KB2533623 lacks the call: the current
// folder is taken out of the search there.
void RestrictDllSearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set == nullptr || !set(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR))
    SetDllDirectoryW(L"");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  RestrictDllSearch();
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    std::u16string arg(argv[i], argv[i] + wcslen(argv[i]));
    for (char16_t& c : arg)
      if (c == u'\\') c = u'/';
    args.push_back(qoru::Utf8ToGbk(qoru::Utf16ToUtf8(arg)));
  }
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  qoru::console::UseUtf8Consoles();
  return qoru::process::HostMain(argc, pointers.data());
}
