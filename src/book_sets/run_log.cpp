#include "book_sets/run_log.h"

#include <cerrno>
#include <ctime>

#include "errors/errors.h"
#include "files/os_file.h"
#include "process/environment.h"
#include "text/control_escape.h"

namespace qoru::book_sets {
namespace {

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm tm = process::LocalTime(now);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

}  // namespace

RunLog::~RunLog() {
  if (fd_ >= 0) os::Close(fd_);
}

bool RunLog::Open(const std::string& path, std::string* reason) {
  fd_ = os::OpenAppend(path);
  if (fd_ < 0) {
    *reason = SystemErrorText(errno);
    return false;
  }
  return true;
}

void RunLog::Write(const std::string& label, const std::string& text) {
  if (fd_ < 0) return;
  // A text file for a person, like the terminal: control characters shown as \xNN.
  std::string body;
  for (const char c : EscapeControls(text)) {
    body.push_back(c);
    if (c == '\n') body += "    ";
  }
  while (!body.empty() && (body.back() == ' ' || body.back() == '\n')) body.pop_back();
  // One write per line, which nothing buffers.
  const std::string line = Timestamp() + " " + label + "：" + body + "\n";
  for (std::size_t done = 0; done < line.size();) {
    const long n = os::Write(fd_, line.data() + done, line.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
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

}  // namespace qoru::book_sets
