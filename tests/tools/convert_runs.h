// For the tests of `qoru-gbtxt convert` and of `inspect` against it: a book set that
// converts, and a conversion run with its JSON summary and its log.
#pragma once

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "test_support/bookset.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"

namespace qoru::test {

// The two-type set with one balance and one posting that spread cleanly.
inline BookSet SpreadableSet() {
  BookSet set = TwoTypeSet();
  set.kmye = {{"6602", "人民币", "1", "a1/b1"}};
  set.jzpz = {{"6602", "好", "1", "0", "人民币", "0", "a1/b1"}};
  return set;
}

struct Converted {
  int exit_code;
  nlohmann::json summary;
  std::string log;  // qoru.log
};

inline Converted Convert(const std::string& source, const std::string& work) {
  const auto ran = RunCommand(kHost + " convert --face headless --json --source " +
                                  ShellWord(source) + " --work " + ShellWord(work),
                              false);
  const std::string log = work + "/qoru.log";
  return {ran.exit_code, nlohmann::json::parse(ran.out, nullptr, false),
          std::filesystem::exists(log) ? ReadFile(log) : std::string()};
}

// The text after "<label>：" on the last line of the log that has it.
inline std::string LogText(const std::string& log, const std::string& label) {
  const std::size_t at = log.rfind(" " + label + "：");
  if (at == std::string::npos) return {};
  const std::size_t start = at + label.size() + 1 + std::string("：").size();
  return log.substr(start, log.find('\n', start) - start);
}

}  // namespace qoru::test
