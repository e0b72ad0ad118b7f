// The host in the process on Linux: functions by name through dlsym over every loaded
// object; the library's instance handle is the address of a marker of its own.
#include <dlfcn.h>

#include "host/host_process.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

char g_instance_marker;  // its address is the library's instance handle

using WriteLogFn = void (*)(void*, int, const char16_t*);

}  // namespace

void* LibraryInstance() {
  return &g_instance_marker;
}

void* FindHostFunction(const char* name) {
  return ::dlsym(RTLD_DEFAULT, name);
}

bool CallHostWriteLog(int level, const char16_t* message) {
  const auto fn = reinterpret_cast<WriteLogFn>(FindHostFunction("WriteLog"));
  if (fn == nullptr) return false;
  fn(LibraryInstance(), level, message);
  return true;
}

std::u16string HostPathText(const std::string& gbk_path) {
  return GbkToUtf16(gbk_path);
}

}  // namespace qoru
