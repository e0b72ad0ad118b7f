#include "test_support/programs.h"

#include <gtest/gtest.h>

namespace qoru::test {

Ran RunConvert(const std::string& source, const std::string& work, const std::string& extra) {
  return RunCommand(kHost + " convert --face headless --source " + ShellWord(source) + " --work " +
                    ShellWord(work) + extra);
}

nlohmann::json ParseJson(const std::string& text) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << text;
  return j;
}

std::map<std::string, nlohmann::json> TestsById(const nlohmann::json& report) {
  std::map<std::string, nlohmann::json> out;
  for (const nlohmann::json& t : report["tests"]) out[t["id"]] = t;
  return out;
}

}  // namespace qoru::test
