#include "platform/host_log.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/gbk_codec.h"

namespace qoru {
namespace {

using WriteLogFn = void (*)(void*, int, const char16_t*);

char g_instance_marker;  // its address is the library's instance handle

}  // namespace

void* LibraryInstance() {
  return &g_instance_marker;
}

void WriteHostLog(int level, std::string_view message) {
  const auto fn = reinterpret_cast<WriteLogFn>(::dlsym(RTLD_DEFAULT, "WriteLog"));
  if (fn != nullptr) {
    const std::u16string text = Utf8ToUtf16(message);
    fn(LibraryInstance(), level, text.c_str());
    return;
  }
  std::fprintf(stderr, "[level %d] %.*s\n", level, static_cast<int>(message.size()),
               message.data());
}

}  // namespace qoru
