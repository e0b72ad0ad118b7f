// Runs a shell command for tests of the command-line tools as processes.
#pragma once

#include <string>

namespace qoru::test {

struct Ran {
  int exit_code;    // -1 when the command did not exit normally
  std::string out;  // stdout, and stderr too when merged
};

// Runs `command` through the shell; with `merge_stderr` its stderr joins `out`, without
// it stderr is dropped.
Ran RunCommand(const std::string& command, bool merge_stderr = true);

struct RanApart {
  int exit_code;    // -1 when the command did not exit normally
  std::string out;  // stdout
  std::string err;  // stderr
};

// Runs `command` through the shell, keeping its stdout and stderr apart.
RanApart RunApart(const std::string& command);

// Quotes a word for the shell.
std::string ShellWord(const std::string& word);

}  // namespace qoru::test
