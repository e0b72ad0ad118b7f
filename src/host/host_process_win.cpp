// The host in the process on Windows: WriteLog is exported by the host's library
// DataConvertDLL.dll (stdcall, as Windows libraries export), or, for a host without
// it such as the command-line host, by the executable; other functions are looked up
// in the executable. The instance handle is the module that holds this code.
#include <windows.h>

#include "host/host_process.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using WriteLogFn = void(__stdcall*)(void*, int, const wchar_t*);

void* Lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

}  // namespace

void* LibraryInstance() {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&LibraryInstance), &self);
  return self;
}

void* FindHostFunction(const char* name) {
  return Lookup(GetModuleHandleW(nullptr), name);
}

bool CallHostWriteLog(int level, const char16_t* message) {
  void* fn = Lookup(GetModuleHandleW(L"DataConvertDLL.dll"), "WriteLog");
  if (fn == nullptr) fn = FindHostFunction("WriteLog");
  if (fn == nullptr) return false;
  reinterpret_cast<WriteLogFn>(fn)(LibraryInstance(), level,
                                   reinterpret_cast<const wchar_t*>(message));
  return true;
}

std::u16string HostPathText(const std::string& gbk_path) {
  std::u16string text = GbkToUtf16(gbk_path);
  for (char16_t& c : text)
    if (c == u'/') c = u'\\';
  return text;
}

}  // namespace qoru
