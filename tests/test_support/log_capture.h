// Captures the library's calls of the host's WriteLog: the test binary exports its
// own WriteLog, which the library finds in the process.
#pragma once

#include <string>
#include <vector>

namespace qoru::test {

struct LogEntry {
  void* instance;
  int level;
  std::u16string message;
};

// Every WriteLog call since the last ClearLog, in order.
const std::vector<LogEntry>& LogEntries();
void ClearLog();

}  // namespace qoru::test
