#include "staging/format_description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::MakeDir;
using test::TempDir;
using test::WriteFile;
using Texts = std::vector<std::string>;

// GBK lines from UTF-8 literals.
StringList GbkLines(const Texts& utf8_lines) {
  StringList lines;
  for (const auto& line : utf8_lines) lines.Add(Gbk(line));
  return lines;
}

// A list's items shown as UTF-8, for readable comparisons.
Texts Utf8(const StringList& list) {
  Texts out;
  for (const auto& item : list) out.push_back(GbkToUtf8(item));
  return out;
}

// The worked example; "…" stands for column text that the reader ignores.
const Texts kExample = {
    "[会计科目]",
    "KJKM.txt",
    "科目编号,C,20",
    "科目名称,C,100",
    "辅助核算项,C,200",
    "",
    "[记账凭证]",
    "JZPZ.txt",
    "科目编号,C,20",
    "摘要,C,200",
    "辅助核算组,C,200",
    "[辅助核算项档案]",
    "部门",
    "项目",
    "",
    "[部门]",
    "BMDA.txt",
    "部门编号,C,20",
};

TEST(FormatDescriptionTest, WorkedExampleGivesItsListsInOrder) {
  TempDir dir;
  MakeDir(dir / "TemplateTemp");
  std::string file;
  for (const auto& line : kExample) file += Gbk(line) + "\r\n";
  file.resize(file.size() - 2);  // the last line has no line end
  WriteFile(dir / "TemplateTemp/GSSM.txt", file);

  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescription(dir.path(), d));
  EXPECT_EQ(Utf8(d.table_map), (Texts{"会计科目=KJKM.txt", "记账凭证=JZPZ.txt", "部门=BMDA.txt"}));
  EXPECT_EQ(Utf8(d.header_map),
            (Texts{"KJKM.txt='科目编号,科目名称,辅助核算项'", "JZPZ.txt='科目编号,摘要,辅助核算组'",
                   "BMDA.txt='部门编号'"}));
  EXPECT_EQ(Utf8(d.aux_item_names), (Texts{"部门", "项目"}));
  EXPECT_EQ(Utf8(d.aux_archive_files), Texts{"BMDA.txt"});
  EXPECT_EQ(d.accounts_file, "KJKM.txt");
}

TEST(FormatDescriptionTest, ColumnLinesGiveTheQuotedColumnText) {
  struct Case {
    const char* what;
    Texts column_lines;  // after "[会计科目]" and "KJKM.txt"
    std::string header_entry;
  };
  const Case cases[] = {
      {"no column lines", {}, "KJKM.txt=''"},
      {"blank line at once", {"", "a,1"}, "KJKM.txt=''"},
      {"line of blanks ends the section", {"a,1", " \t", "b,2"}, "KJKM.txt='a'"},
      {"bracket ends the section", {"a,1", "x[y,2", "b,3"}, "KJKM.txt='a'"},
      {"one line without a comma", {"科目编号"}, "KJKM.txt='\"\"'"},
      {"with and without a comma", {"科目编号,C", "科目编号"}, "KJKM.txt='科目编号,'"},
      {"name before the first comma", {"a,b,c", ",x"}, "KJKM.txt='a,'"},
      {"blank in a name", {"科目 名称,C"}, "KJKM.txt='\"科目 名称\"'"},
      {"blanks around a name kept", {" 编号 ,C"}, "KJKM.txt='\" 编号 \"'"},
      {"single quote doubled", {"O'Brien,C"}, "KJKM.txt='O''Brien'"},
      {"double quote doubled", {"a\"b,C"}, "KJKM.txt='\"a\"\"b\"'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Texts lines = {"[会计科目]", "KJKM.txt"};
    lines.insert(lines.end(), c.column_lines.begin(), c.column_lines.end());
    FormatDescription d;
    EXPECT_TRUE(ReadFormatDescriptionLines(GbkLines(lines), d));
    EXPECT_EQ(Utf8(d.header_map), Texts{c.header_entry});
  }
}

TEST(FormatDescriptionTest, CharacterWithBracketTrailByteDoesNotEndASection) {
  // 0xB0 0x5B: a GBK character whose second byte is "[".
  const std::string bracket_trail = "\xB0\x5B";
  ASSERT_EQ(GbkToUtf8(bracket_trail), "癧");
  StringList lines = GbkLines({"[会计科目]", "KJKM.txt", "a,1"});
  lines.Add(bracket_trail + Gbk("名,2"));
  lines.Add("b,3");
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(lines, d));
  EXPECT_EQ(Utf8(d.header_map), Texts{"KJKM.txt='a,癧名,b'"});
}

TEST(FormatDescriptionTest, FourByteCharactersAreNamesLikeAnyOther) {
  // 𠮷 is four bytes, 0x95 0x34 0xB2 0x35: its second and fourth bytes are digits.
  const std::string ji = Gbk("𠮷");
  ASSERT_EQ(ji, "\x95\x34\xB2\x35");
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(
      GbkLines({"[辅助核算项档案]", "𠮷4", "", "[会计科目]", "KJKM.txt", "科目𠮷,文本,40", "4𠮷[",
                "[𠮷4]", "J4.txt", "𠮷编号,文本,10"}),
      d));
  EXPECT_EQ(Utf8(d.aux_item_names), Texts{"𠮷4"});
  // The line holding "[" after a four-byte character ends the chart's section.
  EXPECT_EQ(Utf8(d.header_map), (Texts{"KJKM.txt='科目𠮷'", "J4.txt='𠮷编号'"}));
  EXPECT_EQ(Utf8(d.aux_archive_files), Texts{"J4.txt"});
}

TEST(FormatDescriptionTest, FileNameLineIsTakenUnchangedAndNeverEndsTheSection) {
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(GbkLines({"[记账凭证]", " [JZ] .txt", "a,1"}), d));
  EXPECT_EQ(Utf8(d.table_map), Texts{"记账凭证= [JZ] .txt"});
  EXPECT_EQ(Utf8(d.header_map), Texts{" [JZ] .txt='a'"});
  EXPECT_TRUE(d.accounts_file.empty());
}

TEST(FormatDescriptionTest, HeadersAreRecognised) {
  struct Case {
    const char* what;
    Texts lines;
    Texts table_map;
  };
  const Case cases[] = {
      {"fixed name without brackets", {"会计科目表", "KJKM.txt", "a,1"}, {"会计科目=KJKM.txt"}},
      {"balances", {"[科目余额及发生额]", "KMYE.txt", "a,1"}, {"科目余额及发生额=KMYE.txt"}},
      {"type name in another case",
       {"[辅助核算项档案]", "Dept", "", "[DEPT]", "dept.txt", "a,1"},
       {"Dept=dept.txt"}},
      {"type section needs its brackets",
       {"[辅助核算项档案]", "部门", "", "部门档案", "BMDA.txt", "a,1"},
       {}},
      {"type list after the type sections",
       {"[项目]", "XM.txt", "a,1", "", "[部门]", "BM.txt", "b,1", "", "[辅助核算项档案]", "部门",
        "项目"},
       {"项目=XM.txt", "部门=BM.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FormatDescription d;
    EXPECT_TRUE(ReadFormatDescriptionLines(GbkLines(c.lines), d));
    EXPECT_EQ(Utf8(d.table_map), c.table_map);
  }
}

TEST(FormatDescriptionTest, TypeListRunningToTheEndYieldsEveryName) {
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(
      GbkLines({"[部门]", "BMDA.txt", "部门编号,1", "", "[辅助核算项档案]", "部门", "项目"}), d));
  EXPECT_EQ(Utf8(d.aux_item_names), (Texts{"部门", "项目"}));
  EXPECT_EQ(Utf8(d.table_map), Texts{"部门=BMDA.txt"});
  EXPECT_EQ(Utf8(d.aux_archive_files), Texts{"BMDA.txt"});
  EXPECT_EQ(Utf8(d.header_map), Texts{"BMDA.txt='部门编号'"});
}

TEST(FormatDescriptionTest, SecondChartSectionGivesTheAccountsFile) {
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(
      GbkLines({"[会计科目]", "K1.txt", "a,1", "", "[会计科目]", "K2.txt", "b,1"}), d));
  EXPECT_EQ(Utf8(d.table_map), (Texts{"会计科目=K1.txt", "会计科目=K2.txt"}));
  EXPECT_EQ(Utf8(d.header_map), (Texts{"K1.txt='a'", "K2.txt='b'"}));
  EXPECT_EQ(d.accounts_file, "K2.txt");
}

TEST(FormatDescriptionTest, ColumnLineNamingASectionAlsoStartsOne) {
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(
      GbkLines({"[会计科目]", "KJKM.txt", "a,1", "记账凭证号,2", "JZ,3"}), d));
  EXPECT_EQ(Utf8(d.table_map), (Texts{"会计科目=KJKM.txt", "记账凭证=JZ,3"}));
  EXPECT_EQ(Utf8(d.header_map), (Texts{"KJKM.txt='a,记账凭证号,JZ'", "JZ,3=''"}));
}

TEST(FormatDescriptionTest, EachSectionNamedOnOneLineGetsItsOwnColumns) {
  FormatDescription d;
  ASSERT_TRUE(ReadFormatDescriptionLines(
      GbkLines({"[辅助核算项档案]", "部门", "部门", "", "[会计科目][记账凭证]", "X.txt", "a,1",
                "b,2", "", "[部门]", "BM.txt", "c,1"}),
      d));
  EXPECT_EQ(Utf8(d.table_map),
            (Texts{"会计科目=X.txt", "记账凭证=X.txt", "部门=BM.txt", "部门=BM.txt"}));
  EXPECT_EQ(Utf8(d.header_map), (Texts{"X.txt='a,b'", "X.txt='a,b'", "BM.txt='c'", "BM.txt='c'"}));
}

TEST(FormatDescriptionTest, TableHeaderOnTheLastLineStopsReadingAndKeepsEarlierEntries) {
  struct Case {
    const char* what;
    Texts lines;
    Texts table_map;
    Texts aux_item_names;
  };
  const Case cases[] = {
      {"fixed section",
       {"[会计科目]", "KJKM.txt", "a,1", "", "[记账凭证]"},
       {"会计科目=KJKM.txt"},
       {}},
      {"type section", {"[辅助核算项档案]", "部门", "", "[部门]"}, {}, {"部门"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FormatDescription d;
    EXPECT_FALSE(ReadFormatDescriptionLines(GbkLines(c.lines), d));
    EXPECT_EQ(Utf8(d.table_map), c.table_map);
    EXPECT_EQ(Utf8(d.aux_item_names), c.aux_item_names);
  }
}

TEST(FormatDescriptionTest, EmptyDescriptionSucceedsWithNothing) {
  TempDir dir;
  MakeDir(dir / "TemplateTemp");
  WriteFile(dir / "TemplateTemp/GSSM.txt", "");
  FormatDescription d;
  EXPECT_TRUE(ReadFormatDescription(dir.path(), d));
  EXPECT_TRUE(d.table_map.Empty());
  EXPECT_TRUE(d.header_map.Empty());
  EXPECT_TRUE(d.aux_item_names.Empty());
  EXPECT_FALSE(d.accounts_file_set);
}

TEST(FormatDescriptionTest, MissingDescriptionFailsWithNothing) {
  TempDir dir;
  MakeDir(dir / "TemplateTemp");
  FormatDescription d;
  EXPECT_FALSE(ReadFormatDescription(dir.path(), d));
  MakeDir(dir / "TemplateTemp/GSSM.txt");  // a directory is no description either
  EXPECT_FALSE(ReadFormatDescription(dir.path(), d));
  EXPECT_TRUE(d.table_map.Empty());
  EXPECT_TRUE(d.header_map.Empty());
  EXPECT_TRUE(d.accounts_file.empty());
}

}  // namespace
}  // namespace qoru
