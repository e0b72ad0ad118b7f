// The checks build on the staging and database rooms, the book sets' room and the ground
// floor only: never on the plug-in, the auxiliary pass or the tools. The rooms' include views stop
// such an include from compiling; this says so in a test of its own, with the file that broke it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "test_support/temp_dir.h"

namespace qoru {
namespace {

TEST(ChecksLayering, IncludesOnlyTheLayersBelow) {
  const std::set<std::string> allowed = {"checks",   "database",   "staging",  "errors",
                                         "text",     "files",      "host",     "faces",
                                         "workbook", "provenance", "book_sets"};
  const std::regex include(R"re(#include\s+"([^/"]+)/)re");
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::string(QORU_SOURCE_DIR) + "/src/checks")) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string text = test::ReadFile(entry.path().string());
    for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it)
      EXPECT_EQ(allowed.count((*it)[1]), 1u) << entry.path() << " includes " << (*it)[0];
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace qoru
