// Hostile and broken descriptions, names and codes, one case each (hostile_cases.h):
// sections out of order or repeated, shared archives, column, type and file names that
// are keywords or hold quotes or statements, codes past their bounds, four-byte characters.
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

std::vector<HostileCase> NameCases();

TEST(HostileData, EachCaseOfTheNamesEndsAsTheRunsRulesSay) {
  RunCases(NameCases());
}

std::vector<HostileCase> NameCases() {
  return {
      {"sections in reverse order, the type list after its types", nullptr,
       [] {
         return Section("B", "BDA.txt", {"B编号", "B名称"}) +
                Section("A", "ADA.txt", {"A编号", "A名称"}) + TypeList({"A", "B"}) + kVouchers +
                kBalances + kChart;
       },
       nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         // Archives pair with types in the order of their sections: B's file goes with A.
         EXPECT_EQ(QueryRows(ws.db(), "select A, B from aidVour order by flxh"),
                   (Rows{{"a1", "b1"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select count(*) from aidInfo"), (Rows{{"0"}}));
       }},
      {"a chart section repeated: the file gets both header lines, the later on top", nullptr,
       [] {
         return kChart + kChart + kBalances + kVouchers + TypeList({"A", "B"}) +
                Section("A", "ADA.txt", {"A编号", "A名称"}) +
                Section("B", "BDA.txt", {"B编号", "B名称"});
       },
       nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select 科目编号, 科目名称 from KJKM order by 科目编号"),
                   (Rows{{"1001", "现金"}, {"6602", "费用"}, {"科目编号", "科目名称"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select A, B from aidVour"), (Rows{{"a1", "b1"}}));
       }},
      {"two types sharing one archive file keep its rows in their fields",
       [](BookSet& set) {
         set.archives = {{"A", "ABDA.txt"}, {"B", "ABDA.txt"}};
         set.archive_rows = {{"ABDA.txt", {{"a1", "甲"}, {"a2", "乙"}}}};
       },
       nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         // The later header is on top, so the table has B's columns and A's header
         // line became a row; A's insert finds no A编号 and is skipped.
         EXPECT_EQ(QueryRows(ws.db(), "select AidType, AidCode, AidName from aidInfo"),
                   (Rows{{"B", "A编号", "A名称"}, {"B", "a1", "甲"}, {"B", "a2", "乙"}}));
       }},
      {"column names with quotes, brackets, blanks and keywords become columns as written", nullptr,
       [] {
         return kChart + kBalances + kVouchers + TypeList({"A", "B"}) +
                Section("A", "ADA.txt",
                        {"A编号", "A名称", "备 注", "it's", "x]", "select", "a\"b", "from", "[y]",
                         "after"}) +
                Section("B", "BDA.txt", {"B编号", "B名称"});
       },
       nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         // A line holding "[" ends the section: "[y]" and what follows are no columns.
         // A single quote stands doubled in the header line, as the description's
         // quoting leaves it.
         EXPECT_EQ(test::ColumnNames(ws.db(), "ADA"),
                   (std::vector<std::string>{"A编号", "A名称", "备 注", "it''s", "x]", "select",
                                             "a\"b", "from"}));
         EXPECT_EQ(QueryRows(ws.db(), "select count(*) from aidInfo"), (Rows{{"3"}}));
       }},
      // Type names and file names go into the statements quoted, as names, whatever
      // they hold: none is cut short, none fails the statement, none adds a statement.
      {"a type name with a blank is a column of that name",
       [](BookSet& set) { OneType(set, "部 门", "BM.txt"); }, nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select \"部 门\" from JZPZ"), (Rows{{"c1"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select \"部 门\" from aidVour"), (Rows{{"c1"}}));
       }},
      {"a type name that is a keyword is a column of that name",
       [](BookSet& set) { OneType(set, "select", "SEL.txt"); }, nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select \"select\" from JZPZ"), (Rows{{"c1"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select AidType, AidCode from aidInfo"),
                   (Rows{{"select", "c1"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select \"select\" from aidVour"), (Rows{{"c1"}}));
       }},
      {"a type name with a quote is a column of that name",
       [](BookSet& set) { OneType(set, "O'B", "OB.txt"); }, nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select \"O'B\" from aidBal"), (Rows{{"c1"}}));
         // The archive's header line keeps the quote doubled, as the description's quoting
         // leaves it: its columns are O''B编号 and O''B名称, which aidInfo does not find.
         EXPECT_EQ(QueryRows(ws.db(), "select count(*) from aidInfo"), (Rows{{"0"}}));
       }},
      {"a type name holding a second statement is a column of that name, nothing more",
       [](BookSet& set) { OneType(set, "x varchar(9)); drop table KJKM; --", "X.txt"); }, nullptr,
       nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select count(*) from KJKM"), (Rows{{"2"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select \"x varchar(9)); drop table KJKM; --\" from JZPZ"),
                   (Rows{{"c1"}}));
       }},
      {"file names with blanks, quotes or a second statement name their tables",
       [](BookSet& set) {
         set.archives = {{"A", "A DA.txt"}, {"B", "B;drop table KJKM;.txt"}};
         set.archive_rows = {{"A DA.txt", {{"a1", "甲"}}},
                             {"B;drop table KJKM;.txt", {{"b1", "丙"}}}};
       },
       nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome&) {
         EXPECT_EQ(QueryRows(ws.db(), "select count(*) from KJKM"), (Rows{{"2"}}));
         EXPECT_TRUE(HasTable(ws, "A DA"));
         EXPECT_TRUE(HasTable(ws, "B;drop table KJKM;"));
         EXPECT_EQ(QueryRows(ws.db(), "select AidType, AidCode from aidInfo order by rowid"),
                   (Rows{{"A", "a1"}, {"B", "b1"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select A, B from aidVour"), (Rows{{"a1", "b1"}}));
       }},
      {"a chart code of 1 MB is refused before the completion, naming its file and line",
       [](BookSet& set) {
         set.kjkm.push_back({std::string(1'000'000, '7'), "长", "借", ""});
       },
       nullptr, nullptr, false,
       [](const Workspace& ws, const RunOutcome& o) {
         EXPECT_TRUE(
             HasEventWith(o, "error:", "会计科目文件 KJKM.txt 第 3 行的科目编号有 1000000 个字符"))
             << ::testing::PrintToString(o.errors);
         EXPECT_TRUE(HasEventWith(o, "error:", "声明的宽度 100"));
         const auto tables = Tables(ws);
         EXPECT_TRUE(std::none_of(tables.begin(), tables.end(), [](const std::string& t) {
           return t.rfind("tmp", 0) == 0;
         })) << "no completion pass ran";
       }},
      {"a chart code longer than its declared width but within a text column is refused too",
       [](BookSet& set) {
         set.kjkm.push_back({"6602" + std::string(100, '1'), "长", "借", ""});
       },
       nullptr, nullptr, false,
       [](const Workspace&, const RunOutcome& o) {
         EXPECT_TRUE(HasEventWith(o, "error:", "第 3 行的科目编号有 104 个字符"))
             << ::testing::PrintToString(o.errors);
       }},
      {"an auxiliary group of 100,000 characters ends the voucher pass with a message",
       [](BookSet& set) {
         set.jzpz.push_back({"6602", "长组", "1", "0", "人民币", "0", std::string(100'000, 'a')});
       },
       nullptr, nullptr, false, [](const Workspace&, const RunOutcome&) {}},
      {"10,000 codes in one group end the voucher pass with a message",
       [](BookSet& set) {
         std::string group = "a1/b1";
         for (int i = 2; i < 10'000; ++i) group += "/x" + std::to_string(i);
         set.jzpz.push_back({"6602", "多码", "1", "0", "人民币", "0", group});
       },
       nullptr, nullptr, false,
       [](const Workspace&, const RunOutcome& o) {
         EXPECT_TRUE(HasEventWith(o, "error:", "10000 个编码")) << o.errors.size();
       }},
      {"𠮷, a four-byte character, in an archive name, an account and a code arrives whole",
       [](BookSet& set) {
         set.kjkm.push_back({"6602𠮷1", "𠮷费", "借", "A/B"});
         set.jzpz.push_back({"6602𠮷1", "𠮷摘要", "3.00", "0.00", "人民币", "0", "a𠮷/b1"});
         set.archive_rows["ADA.txt"].push_back({"a𠮷", "𠮷名"});
       },
       nullptr, nullptr, true,
       [](const Workspace& ws, const RunOutcome& o) {
         EXPECT_FALSE(HasEventWith(o, "notice:", "GB 18030")) << "every byte decoded";
         EXPECT_EQ(QueryRows(ws.db(), "select 科目编号, 摘要, A, B from aidVour where A = 'a𠮷'"),
                   (Rows{{"6602𠮷1", "𠮷摘要", "a𠮷", "b1"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select AidName from aidInfo where AidCode = 'a𠮷'"),
                   (Rows{{"𠮷名"}}));
         EXPECT_EQ(QueryRows(ws.db(), "select 科目名称 from KJKM where 科目编号 = '6602𠮷1'"),
                   (Rows{{"𠮷费"}}));
       }},
  };
}

}  // namespace
}  // namespace qoru::hostile
