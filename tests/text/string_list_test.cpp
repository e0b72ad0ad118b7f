#include "text/string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/errors.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using Items = std::vector<std::string>;

StringList ListOf(const Items& items) {
  StringList list;
  for (const auto& item : items) list.Add(item);
  return list;
}

TEST(StringListTest, CommaTextJoinsAndQuotesAsNeeded) {
  struct Case {
    Items items;
    std::string text;
  };
  const Case cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"", "", ""}, ",,"},
      {{"a", "", "b"}, "a,,b"},
      {{"KJKM.txt", "KMYE.txt"}, "KJKM.txt,KMYE.txt"},
      {{"a b"}, "\"a b\""},
      {{"1,000.00"}, "\"1,000.00\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"tab\there", "x"}, "\"tab\there\",x"},
      {{std::string("nul\0", 4)}, std::string("\"nul\0\"", 6)},
      {{"it's"}, "it's"},  // single quotes need no quoting
      {{Gbk("科目编号"), Gbk("科目 名称")}, Gbk("科目编号,\"科目 名称\"")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ListOf(c.items).CommaText(), c.text);
  }
}

TEST(StringListTest, CommaTextSplitsBackIntoTheSameItems) {
  const Items lists[] = {
      {},
      {""},
      {"", ""},
      {"", "", "", ""},
      {"", "x", ""},
      {" lead", "trail ", " "},
      {"\x01\x1F", "\r\n", "\t"},
      {",", ",,", "a,b"},
      {"\"", "\"\"", "x\"y", "\"quoted\""},
      {"\"a,b\" c", "'\"'"},
      {Gbk("凭证 号.txt"), Gbk("部门,项目"), Gbk("摘要\"说明\"")},
      {"e.txt1", "f.text", "a.TXT"},
  };
  for (const auto& items : lists) {
    const std::string text = ListOf(items).CommaText();
    SCOPED_TRACE(text);
    StringList back;
    back.SetCommaText(text);
    EXPECT_EQ(back.items(), items);
  }
}

TEST(StringListTest, SetCommaTextReplacesWhatTheListHeld) {
  StringList list{"old1", "old2"};
  list.SetCommaText("");
  EXPECT_TRUE(list.Empty());
  list.SetCommaText("a,b");
  list.SetCommaText("c");
  EXPECT_EQ(list.items(), Items{"c"});
}

TEST(StringListTest, EntriesSplitAtTheFirstEqualsSign) {
  EXPECT_EQ(EntryName("KJKM.txt='a=b'"), "KJKM.txt");
  EXPECT_EQ(EntryValue("KJKM.txt='a=b'"), "'a=b'");
  EXPECT_EQ(EntryName("noequals"), "noequals");
  EXPECT_EQ(EntryValue("noequals"), "");
  EXPECT_EQ(EntryValue("x="), "");
}

TEST(StringListTest, IndexBeyondTheEndFailsNamingTheList) {
  StringList list{"a"};
  list.set_label("TableMap");
  EXPECT_THROW(list.Insert(2, "x"), ListIndexError);
  try {
    (void)list[1];
    FAIL() << "no failure";
  } catch (const ListIndexError& e) {
    EXPECT_NE(std::string(e.what()).find("TableMap"), std::string::npos) << e.what();
  }
  list.Insert(1, "b");
  list.Insert(0, "z");
  EXPECT_EQ(list.items(), (Items{"z", "a", "b"}));
}

}  // namespace
}  // namespace qoru
