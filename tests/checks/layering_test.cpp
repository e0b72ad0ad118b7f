// The checks build on the staging, database and platform layers only: never on the
// plug-in, the auxiliary pass or the tools, which all link the same core library and so
// would not be stopped by the linker.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "test_support/temp_dir.h"

namespace qoru {
namespace {

TEST(ChecksLayering, IncludesOnlyTheLayersBelow) {
  const std::set<std::string> allowed = {"checks", "database", "staging", "platform"};
  const std::regex include(R"re(#include\s+"([^/"]+)/)re");
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(QORU_SOURCE_DIR) + "/src/checks")) {
    ++files;
    const std::string text = test::ReadFile(entry.path().string());
    for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it)
      EXPECT_EQ(allowed.count((*it)[1]), 1u) << entry.path() << " includes " << (*it)[0];
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace qoru
