// Hostile and broken texts, one case each (hostile_cases.h): bytes that are no GBK, NUL
// bytes, lines ended by CR alone, a line of 10 MB, thousands of values and columns,
// unbalanced quotes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_system.h"
#include "plugin/hostile_cases.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::hostile {
namespace {

const std::vector<HostileCase>& TextCases() {
  static const std::vector<HostileCase> cases = {
      {"bytes that are not GBK become U+FFFD and a notice counts them", nullptr, nullptr,
       [](const Workspace& ws) {
         test::WriteFile(ws.source() + "/JZPZ.txt",
                         RawRows({JoinTabs({"6602", "x\x81 y\xFF" + kZhe, "1", "0", Gbk("人民币"),
                                            "0", "a1/b1"})}));
       },
       true,
       [](const Workspace& ws, const RunOutcome& o) {
         EXPECT_EQ(QueryRows(ws.db(), "select 摘要, A from JZPZ"),
                   (Rows{{"x\uFFFD y\uFFFD这", "a1"}}));
         EXPECT_TRUE(HasEventWith(o, "notice:", "JZPZ.txt")) << ::testing::PrintToString(o.events);
       }},
      // A NUL byte would hide the rest of its table: the book set is refused, naming the
      // file, the line and the byte, before anything is imported.
      {"a NUL byte in the middle of a table's text refuses the book set", nullptr, nullptr,
       [](const Workspace& ws) {
         test::WriteFile(ws.source() + "/JZPZ.txt",
                         RawRows({JoinTabs({"6602", "one", "1", "0", Gbk("人民币"), "0", "a1"}),
                                  JoinTabs({"6602", std::string("tw\0o", 4), "2", "0"}),
                                  JoinTabs({"6602", "three", "3", "0"})}));
       },
       false,
       [](const Workspace& ws, const RunOutcome& o) {
         EXPECT_TRUE(HasEventWith(o, "error:", "JZPZ.txt”第 2 行"))
             << ::testing::PrintToString(o.events);
         EXPECT_TRUE(HasEventWith(o, "error:", "第 33 字节")) << ::testing::PrintToString(o.events);
         EXPECT_FALSE(PathExists(ws.db())) << "nothing imported";
       }},
      {"a NUL byte as the first byte of a table refuses the book set", nullptr, nullptr,
       [](const Workspace& ws) {
         test::WriteFile(ws.source() + "/KMYE.txt", std::string("\0", 1) + "6602\t1\r\n");
       },
       false,
       [](const Workspace&, const RunOutcome& o) {
         EXPECT_TRUE(HasEventWith(o, "error:", "KMYE.txt”第 1 行"))
             << ::testing::PrintToString(o.events);
         EXPECT_TRUE(HasEventWith(o, "error:", "第 0 字节")) << ::testing::PrintToString(o.events);
       }},
      {"a NUL byte on the last line of the description refuses the book set", nullptr, nullptr,
       [](const Workspace& ws) {
         std::string gssm = test::ReadFile(ws.source() + "/GSSM.txt");
         gssm += std::string("\0", 1);
         test::WriteFile(ws.source() + "/GSSM.txt", gssm);
       },
       false,
       [](const Workspace&, const RunOutcome& o) {
         EXPECT_TRUE(HasEventWith(o, "error:", "GSSM.txt”第"))
             << ::testing::PrintToString(o.events);
       }},
      {"a NUL byte in a text that is no table is no concern of the run", nullptr, nullptr,
       [](const Workspace& ws) {
         // A note saved as UTF-16, as Notepad does.
         test::WriteFile(ws.source() + "/readme.txt", std::string("\xFF\xFEn\0o\0", 6));
       },
       true, [](const Workspace&, const RunOutcome&) {}},
      {"lines ending in CR alone are lines", nullptr, nullptr,
       [](const Workspace& ws) {
         test::WriteFile(ws.source() + "/JZPZ.txt",
                         RawRows({JoinTabs({"6602", "a", "1", "0", Gbk("人民币"), "0", "a1/b1"}),
                                  JoinTabs({"1001", "b", "2", "0", Gbk("人民币"), "0", ""})},
                                 "\r"));
         test::WriteFile(ws.source() + "/GSSM.txt",
                         Gbk(kChart + kBalances + kVouchers + TypeList({"A", "B"}) +
                             Section("A", "ADA.txt", {"A编号", "A名称"}) +
                             Section("B", "BDA.txt", {"B编号", "B名称"})));
         std::string cr_only = test::ReadFile(ws.source() + "/GSSM.txt");
         std::replace(cr_only.begin(), cr_only.end(), '\n', '\r');
         test::WriteFile(ws.source() + "/GSSM.txt", cr_only);
       },
       true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select 摘要, A, B from JZPZ order by flxh"),
                   (Rows{{"a", "a1", "b1"}, {"b", "NULL", "NULL"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select count(*) from aidInfo"), (Rows{{"3"}}));
       }},
      {"a line of 10 MB is one row", nullptr, nullptr,
       [](const Workspace& ws) {
         test::WriteFile(ws.source() + "/JZPZ.txt",
                         RawRows({JoinTabs({"6602", std::string(10'000'000, 'x'), "1", "0",
                                            Gbk("人民币"), "0", "a1/b1"})}));
       },
       true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select length(摘要), A, B from aidVour"),
                   (Rows{{"10000000", "a1", "b1"}}));
       }},
      {"a row of 5,000 values keeps the columns that the description names", nullptr, nullptr,
       [](const Workspace& ws) {
         std::vector<std::string> values = {"6602", "wide", "1", "0", Gbk("人民币"), "0", "a1"};
         values.resize(5000, "extra");
         test::WriteFile(ws.source() + "/JZPZ.txt", RawRows({JoinTabs(values)}));
       },
       true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select 摘要, A, B from JZPZ"),
                   (Rows{{"wide", "a1", "NULL"}}));
         EXPECT_EQ(test::ColumnNames(ws.db(), "JZPZ").size(), 7u + 2u + 1u);
       }},
      {"5,000 columns in a section: the engine refuses that table, the run goes on", nullptr,
       [] {
         std::vector<std::string> columns = {"B编号", "B名称"};
         for (int i = 3; i <= 5000; ++i) columns.push_back("列" + std::to_string(i));
         return kChart + kBalances + kVouchers + TypeList({"A", "B"}) +
                Section("A", "ADA.txt", {"A编号", "A名称"}) + Section("B", "BDA.txt", columns);
       },
       nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_FALSE(HasTable(ws, "BDA"));
         EXPECT_EQ(QueryRows(ws.db(), "select AidType, AidCode from aidInfo"),
                   (Rows{{"A", "a1"}, {"A", "a2"}}));
       }},
      {"unbalanced quotes in values are kept as they stand",
       [](BookSet& set) {
         set.jzpz = {{"6602", "\"开", "1", "0", "人民币", "0", "a1/b1"},
                     {"6602", "中\"间", "2", "0", "人民币", "0", "a2"},
                     {"6602", "\"", "3", "0", "人民币", "0", "a1"}};
         set.archive_rows["BDA.txt"] = {{"b1", "\"丙"}};
       },
       nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select 摘要, 借方金额, A, B from aidVour order by flxh"),
                   (Rows{{"\"开", "1", "a1", "b1"},
                         {"中\"间", "2", "a2", "NULL"},
                         {"\"", "3", "a1", "NULL"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select AidName from aidInfo where AidType='B'"),
                   (Rows{{"\"丙"}}));
       }},
  };
  return cases;
}

TEST(HostileData, EachCaseOfTheTextsEndsAsTheRunsRulesSay) {
  RunCases(TextCases());
}

}  // namespace
}  // namespace qoru::hostile
