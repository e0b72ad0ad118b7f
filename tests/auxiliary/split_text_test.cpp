// Splitting at "/": the separator is never a byte of a double-byte or a four-byte
// character, so codes holding either split only between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "auxiliary/aux_columns.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

TEST(SplitTextTest, FourByteAndDoubleByteCharactersSplitOnlyAtTheSeparator) {
  struct Case {
    const char* what;
    std::string text;  // UTF-8
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"codes with four-byte characters", "𠮷1/2𠮷/𠮷", {"𠮷1", "2𠮷", "𠮷"}},
      {"digits of the characters are no separators", "𠮷4𠮷5", {"𠮷4𠮷5"}},
      {"empty items around", "/𠮷/", {"", "𠮷", ""}},
      {"double-byte characters", "部门/项目", {"部门", "项目"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> items;
    for (const std::string& item : SplitText(Gbk(c.text), "/")) items.push_back(GbkToUtf8(item));
    EXPECT_EQ(items, c.items);
  }
}

}  // namespace
}  // namespace qoru
