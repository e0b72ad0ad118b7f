// A table is named after its file, and a file-name line that could name a table apart
// from its file (or outside the work area) is refused with its section and line.
#include "staging/table_names.h"

#include <gtest/gtest.h>

#include <string>

#include "errors/errors.h"
#include "text/gbk_codec.h"
#include "text/string_list.h"

namespace qoru {
namespace {

// The description of one voucher section, its file-name line on line 2.
FormatDescription Vouchers(const std::string& file_line) {
  StringList lines{"[" + Gbk("记账凭证") + "]", file_line, Gbk("科目编号,文本,40")};
  FormatDescription d;
  ReadFormatDescriptionLines(lines, d);
  return d;
}

TEST(TableNames, AFileNameLineNamesItsTableOrIsRefusedWithItsLine) {
  const struct {
    std::string line;
    const char* why;  // in the message; null: the line names its table
  } cases[] = {
      {"JZPZ.txt", nullptr},
      {"JZPZ.TXT", nullptr},
      {Gbk("记账 凭证.txt"), nullptr},
      {"a'b c,d -- e;.txt", nullptr},
      {"[A.txt=] in '/tmp/victim.db' from B#txt --abcd", "其中有“=”"},
      {"A.txt=", "其中有“=”"},
      {"JZPZ.csv", "须以 .txt 结尾"},
      {"JZPZ.txt.bak", "须以 .txt 结尾"},
      {".txt", "表名为空"},
      {"sqlite_master.txt", "由数据库保留"},
      {"SQLite_x.txt", "由数据库保留"},
      {"a\x1b]52;c;eA\x07.txt", "控制字符"},
      {"../JZPZ.txt", "文件名"},
      {"..", "文件名"},
      {"", "文件名"},
  };
  for (const auto& c : cases) {
    const FormatDescription d = Vouchers(c.line);
    ASSERT_EQ(d.table_lines, std::vector<std::size_t>{2}) << c.line;
    const std::vector<TableNameProblem> problems = TableNameProblems(d);
    if (c.why == nullptr) {
      EXPECT_TRUE(problems.empty()) << c.line << ": " << problems.front().message;
      EXPECT_NO_THROW(CheckTableNames(d));
      continue;
    }
    ASSERT_EQ(problems.size(), 1u) << c.line;
    EXPECT_EQ(problems[0].line, 2u);
    const std::string& message = problems[0].message;
    for (const std::string& word :
         {std::string(c.why), std::string("第 2 行"), std::string("[记账凭证]")})
      EXPECT_NE(message.find(word), std::string::npos) << c.line << ": " << message;
    EXPECT_THROW(CheckTableNames(d), BookSetRefusal) << c.line;
  }
}

TEST(TableNames, EverySectionIsCheckedWithTheLineOfItsOwnFileName) {
  StringList lines{"[" + Gbk("会计科目") + "]",       "KJKM.txt",  "",
                   "[" + Gbk("辅助核算项档案") + "]", Gbk("部门"), "",
                   "[" + Gbk("部门") + "]",           "BM=DA.txt"};
  FormatDescription d;
  ReadFormatDescriptionLines(lines, d);
  const std::vector<TableNameProblem> problems = TableNameProblems(d);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].entry, 1u);
  EXPECT_EQ(problems[0].line, 8u);
  EXPECT_NE(problems[0].message.find("[部门]"), std::string::npos) << problems[0].message;
}

}  // namespace
}  // namespace qoru
