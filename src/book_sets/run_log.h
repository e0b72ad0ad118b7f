// qoru.log in the work directory: the record of every run of the command-line host.
// Each line is "<local time> <what>：<text>": the start with the source and work
// directories, every message the user saw (log lines of the library with their level
// as a word, notes, the error box, status changes) and the result. Lines are appended
// and flushed one by one, so that the log holds everything up to a crash or a kill.
#pragma once

#include <string>

namespace qoru::book_sets {

class RunLog {
 public:
  RunLog() = default;
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Opens (appending) the log; false when it cannot be written, with the reason.
  bool Open(const std::string& path, std::string* reason);
  bool is_open() const { return fd_ >= 0; }

  // One line "<time> <label>：<text>"; a text of several lines is indented after the
  // first. Does nothing while closed.
  void Write(const std::string& label, const std::string& text);

 private:
  int fd_ = -1;
};

// The word for a level of the host log: 1 信息, 2 警告, 3 错误; other levels by number.
std::string LevelWord(int level);

}  // namespace qoru::book_sets
