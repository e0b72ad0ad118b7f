// Commands for the tests on POSIX systems: the shell through popen.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "test_support/command.h"
#include "test_support/temp_dir.h"

namespace qoru::test {

Ran RunCommand(const std::string& command, bool merge_stderr) {
  Ran ran{-1, {}};
  FILE* p = ::popen((command + (merge_stderr ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (p == nullptr) return ran;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) ran.out.append(buf.data(), n);
  const int status = ::pclose(p);
  ran.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

RanApart RunApart(const std::string& command) {
  const TempDir dir;
  const Ran ran = RunCommand(
      "sh -c " + ShellWord("(" + command + ") 2>" + ShellWord(dir.path() + "err")), false);
  return {ran.exit_code, ran.out, ReadFile(dir.path() + "err")};
}

RanApart RunProgram(const std::vector<std::string>& argv) {
  std::string command = "exec";
  for (const std::string& word : argv) command += " " + ShellWord(word);
  return RunApart(command + " </dev/null");
}

}  // namespace qoru::test
