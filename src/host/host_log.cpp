#include "host/host_log.h"

#include <cstdio>
#include <string>

#include "host/host_process.h"
#include "text/control_escape.h"
#include "text/gbk_codec.h"

namespace qoru {

void WriteHostLog(int level, std::string_view message) {
  const std::u16string text = Utf8ToUtf16(message);
  if (CallHostWriteLog(level, text.c_str())) return;
  // Without a host the message goes to stderr, its level as a word.
  const char* word = level == 1 ? "信息" : level == 2 ? "警告" : level == 3 ? "错误" : "日志";
  ShowText(stderr, std::string(word) + "：" + std::string(message) + "\n");
}

}  // namespace qoru
