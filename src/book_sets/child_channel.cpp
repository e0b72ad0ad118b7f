#include "book_sets/child_channel.h"

#include <cerrno>
#include <cstdlib>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/path_text.h"

namespace qoru::book_sets {

ChildChannel ChildChannelOfThisProcess() {
  ChildChannel channel;
  if (const char* path = std::getenv(kChildTextVariable)) channel.text_report = path;
  const char* summary = std::getenv(kChildSummaryVariable);
  channel.summary_json = summary != nullptr && std::string(summary) == "1";
  return channel;
}

std::string WriteChildText(const ChildChannel& channel, const std::string& text) {
  if (WriteWholeFile(channel.text_report, text)) return {};
  return "无法写入文字报告 " + PathText(channel.text_report) + "：" + SystemErrorText(errno);
}

}  // namespace qoru::book_sets
