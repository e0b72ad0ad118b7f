#include "host/host_log.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "text/gbk_codec.h"

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
  // Without a host the message goes to stderr, its level as a word.
  const char* word = level == 1 ? "信息" : level == 2 ? "警告" : level == 3 ? "错误" : "日志";
  std::fprintf(stderr, "%s：%.*s\n", word, static_cast<int>(message.size()), message.data());
}

}  // namespace qoru
