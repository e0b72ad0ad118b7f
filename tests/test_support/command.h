// Runs a command for tests of the command-line tools as processes. The command is
// written for the POSIX shell; on Windows (child_run_win.cpp) its words, quotes and
// leading VAR=value assignments are understood and the program is started directly,
// while the rest of the shell's language fails with exit code 127.
#pragma once

#include <string>
#include <vector>

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

// Runs the program argv[0] with the arguments argv[1...] (no shell), keeping its stdout
// and stderr apart; its input is the null device.
RanApart RunProgram(const std::vector<std::string>& argv);

// Quotes a word for the shell.
std::string ShellWord(const std::string& word);

}  // namespace qoru::test
