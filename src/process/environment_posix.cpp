// The process's environment and local time on Linux.
#include <stdlib.h>

#include "process/environment.h"

namespace qoru::process {

void SetEnvironment(const char* name, const std::string& value) {
  ::setenv(name, value.c_str(), 1);
}

void UnsetEnvironment(const char* name) {
  ::unsetenv(name);
}

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace qoru::process
