// The plug-in on Windows: %QORU_LIBRARY% when it is an absolute path, else
// qoru_ERP_GBtxt.dll beside the host's executable; never a bare name, which the system
// would look for in the current folder (a book set's, where a planted DLL could wait)
// and along PATH. DoIt by its plain name (stdcall), and the OLE strings of oleaut32,
// whose SysFreeString releases the result.
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <cstdlib>

#include "process/plugin_library.h"
#include "text/gbk_codec.h"

namespace qoru::process {
namespace {

using DoItFn = void(__stdcall*)(BSTR*, std::uintptr_t, const char*, const char*, const char*);

std::string Utf8(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

// "C:\..." or "\\server\...".
bool IsAbsolute(const std::wstring& path) {
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  return (path.size() > 2 && path[1] == L':' && separator(path[2])) ||
         (path.size() > 1 && separator(path[0]) && separator(path[1]));
}

// The plug-in's full path; empty with the reason when there is none to load.
std::wstring LibraryPath(std::string* reason) {
  if (const wchar_t* env = _wgetenv(L"QORU_LIBRARY"); env != nullptr && *env != L'\0') {
    if (IsAbsolute(env)) return env;
    *reason =
        "环境变量 QORU_LIBRARY 须是插件库的完整路径（如 C:\\qoru\\qoru_ERP_GBtxt.dll），"
        "而它是 " +
        Utf8(env);
    return {};
  }
  wchar_t exe[32768];
  const DWORD n = GetModuleFileNameW(nullptr, exe, 32768);
  if (n == 0 || n >= 32768) {
    *reason = "无法得到程序自己的路径（错误 " + std::to_string(GetLastError()) + "）";
    return {};
  }
  std::wstring dir(exe, n);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir + L"qoru_ERP_GBtxt.dll";
}

}  // namespace

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

bool PluginLibrary::Load(std::string* reason) {
  const std::wstring path = LibraryPath(reason);
  if (path.empty()) return false;
  // The DLLs it imports from the system's folder and its own only.
  handle_ = LoadLibraryExW(path.c_str(), nullptr,
                           LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (handle_ == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)  // Windows 7 unpatched
    handle_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (handle_ == nullptr) {
    *reason = "无法加载插件库 " + Utf8(path) + "（错误 " + std::to_string(GetLastError()) + "）";
    return false;
  }
  do_it_ = reinterpret_cast<decltype(do_it_)>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), "DoIt")));
  if (do_it_ == nullptr) {
    *reason = "插件库 " + Utf8(path) + " 没有导出 DoIt";
    return false;
  }
  return true;
}

std::u16string PluginLibrary::DoIt(std::uintptr_t host_window, const std::string& work,
                                   const std::string& source) {
  ::BSTR result = nullptr;
  reinterpret_cast<DoItFn>(reinterpret_cast<void*>(do_it_))(&result, host_window, work.c_str(),
                                                            source.c_str(), nullptr);
  std::u16string text(result, result + ::SysStringLen(result));
  ::SysFreeString(result);
  return text;
}

}  // namespace qoru::process
