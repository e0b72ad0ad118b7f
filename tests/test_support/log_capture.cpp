#include "test_support/log_capture.h"

namespace qoru::test {
namespace {
std::vector<LogEntry>& Entries() {
  static std::vector<LogEntry> entries;
  return entries;
}
}  // namespace

const std::vector<LogEntry>& LogEntries() {
  return Entries();
}
void ClearLog() {
  Entries().clear();
}

}  // namespace qoru::test

extern "C" QORU_HOST_EXPORT void QORU_HOST_CALL WriteLog(void* instance, int level,
                                                         const char16_t* message) {
  qoru::test::Entries().push_back({instance, level, message ? message : u""});
}
