// The command-line host's process on Linux.
#include <stdlib.h>

#include <csignal>

#include "qoru_gbtxt/process.h"

namespace qoru::host {

std::string PathFromText(const std::string& text) {
  return text;
}

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

}  // namespace qoru::host

int main(int argc, char** argv) {
  // A file that grows past the process's size limit must fail its write, not end the
  // process: the library then reports the failure like any other.
  std::signal(SIGXFSZ, SIG_IGN);
  return qoru::host::HostMain(argc, argv);
}
