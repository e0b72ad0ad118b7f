// The process's environment and local time on Windows, through the C runtime.
#include <windows.h>

#include <cstdlib>

#include "process/environment.h"

namespace qoru::process {

void SetEnvironment(const char* name, const std::string& value) {
  _putenv_s(name, value.c_str());
}

void UnsetEnvironment(const char* name) {
  _putenv_s(name, "");
}

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_s(&tm, &t);
  return tm;
}

}  // namespace qoru::process
