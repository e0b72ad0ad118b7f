#include "qoru_gbtxt/run_log.h"

#include <cerrno>
#include <ctime>

#include "errors/errors.h"
#include "qoru_gbtxt/process.h"

namespace qoru::host {
namespace {

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm tm = LocalTime(now);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

}  // namespace

RunLog::~RunLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool RunLog::Open(const std::string& path, std::string* reason) {
  file_ = std::fopen(path.c_str(), "ae");
  if (file_ == nullptr) {
    *reason = SystemErrorText(errno);
    return false;
  }
  return true;
}

void RunLog::Write(const std::string& label, const std::string& text) {
  if (file_ == nullptr) return;
  std::string body;
  for (const char c : text) {
    body.push_back(c);
    if (c == '\n') body += "    ";
  }
  while (!body.empty() && (body.back() == ' ' || body.back() == '\n')) body.pop_back();
  std::fprintf(file_, "%s %s：%s\n", Timestamp().c_str(), label.c_str(), body.c_str());
  std::fflush(file_);
}

std::string LevelWord(int level) {
  switch (level) {
    case 1:
      return "信息";
    case 2:
      return "警告";
    case 3:
      return "错误";
    default:
      return "级别 " + std::to_string(level);
  }
}

}  // namespace qoru::host
