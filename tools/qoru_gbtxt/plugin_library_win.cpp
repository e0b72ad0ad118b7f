// The plug-in on Windows: %QORU_LIBRARY%, else qoru_ERP_GBtxt.dll beside the host's
// executable, else the name through the system's search; DoIt by its plain name
// (stdcall), and the OLE strings of oleaut32, whose SysFreeString releases the result.
#include <oleauto.h>
#include <windows.h>

#include <cstdlib>

#include "files/file_system.h"
#include "qoru_gbtxt/plugin_library.h"
#include "text/gbk_codec.h"

namespace qoru::host {
namespace {

using DoItFn = void(__stdcall*)(BSTR*, std::uintptr_t, const char*, const char*, const char*);

std::wstring LibraryPath() {
  if (const wchar_t* env = _wgetenv(L"QORU_LIBRARY")) return env;
  wchar_t exe[32768];
  const DWORD n = GetModuleFileNameW(nullptr, exe, 32768);
  if (n > 0 && n < 32768) {
    std::wstring dir(exe, n);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    const std::wstring beside = dir + L"qoru_ERP_GBtxt.dll";
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
  }
  return L"qoru_ERP_GBtxt.dll";
}

std::string Utf8(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

bool PluginLibrary::Load(std::string* reason) {
  const std::wstring path = LibraryPath();
  handle_ = LoadLibraryW(path.c_str());
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

}  // namespace qoru::host
