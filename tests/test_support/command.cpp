#include "test_support/command.h"

namespace qoru::test {

std::string ShellWord(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace qoru::test
