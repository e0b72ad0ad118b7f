// Hostile and broken book sets, one row each: what the data holds and what the run
// yields. None may crash, hang or damage the database; each ends with the database
// path or "0" and a message, as the run's rules say.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/log_capture.h"
#include "test_support/system.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::BookSet;
using test::QueryRows;
using test::Row;
using test::Rows;
using test::RunDoIt;
using test::RunOutcome;
using test::Workspace;

// Two auxiliary types with an archive each; vouchers and balances in the usual columns
// (JZPZ: 科目编号, 摘要, 借方金额, 贷方金额, 币种, 作废标志, 辅助核算组).
BookSet BaseSet() {
  BookSet set;
  set.aux_types = {"A", "B"};
  set.archives = {{"A", "ADA.txt"}, {"B", "BDA.txt"}};
  set.kjkm = {{"1001", "现金", "借", ""}, {"6602", "费用", "借", "A/B"}};
  set.kmye = {{"6602", "人民币", "10", "a1/b1"}};
  set.jzpz = {{"6602", "一", "1.00", "0.00", "人民币", "0", "a1/b1"},
              {"1001", "二", "2.00", "0.00", "人民币", "0", ""}};
  set.archive_rows = {{"ADA.txt", {{"a1", "甲"}, {"a2", "乙"}}}, {"BDA.txt", {{"b1", "丙"}}}};
  return set;
}

// A GBK table file of raw bytes: rows of tab-separated values, each ended by `eol`.
std::string RawRows(const std::vector<std::string>& rows, const std::string& eol = "\r\n") {
  std::string text;
  for (const std::string& row : rows) text += row + eol;
  return text;
}

std::string JoinTabs(const std::vector<std::string>& values) {
  std::string line;
  for (std::size_t i = 0; i < values.size(); ++i) line += (i ? "\t" : "") + values[i];
  return line;
}

std::string ReadFileText(const std::string& path) {
  return test::ReadFile(path);
}

bool HasEventWith(const RunOutcome& o, const std::string& prefix, const std::string& word) {
  return std::any_of(o.events.begin(), o.events.end(), [&](const std::string& e) {
    return e.rfind(prefix, 0) == 0 && e.find(word) != std::string::npos;
  });
}

// Sections of a description, for the cases that write their own.
std::string Section(const std::string& name, const std::string& file,
                    const std::vector<std::string>& columns) {
  std::string s = "[" + name + "]\n" + file + "\n";
  for (const std::string& c : columns) s += c + ",文本,100\n";
  return s + "\n";
}
const std::string kChart =
    Section("会计科目", "KJKM.txt", {"科目编号", "科目名称", "余额方向", "辅助核算项"});
const std::string kBalances =
    Section("科目余额及发生额", "KMYE.txt", {"科目编号", "币种", "期初余额", "辅助核算组"});
const std::string kVouchers =
    Section("记账凭证", "JZPZ.txt",
            {"科目编号", "摘要", "借方金额", "贷方金额", "币种", "作废标志", "辅助核算组"});
std::string TypeList(const std::vector<std::string>& types) {
  std::string s = "[辅助核算项档案]\n";
  for (const std::string& t : types) s += t + "\n";
  return s + "\n";
}

// One type T with archive file F; the chart's account 6602 carries T and the voucher
// and balance rows carry the code c1 for it.
void OneType(BookSet& set, const std::string& type, const std::string& file) {
  set.aux_types = {type};
  set.archives = {{type, file}};
  set.archive_rows = {{file, {{"c1", "名"}}}};
  set.kjkm = {{"1001", "现金", "借", ""}, {"6602", "费用", "借", type}};
  set.kmye = {{"6602", "人民币", "10", "c1"}};
  set.jzpz = {{"6602", "一", "1.00", "0.00", "人民币", "0", "c1"}};
}

struct HostileCase {
  const char* what;
  std::function<void(BookSet&)> change;       // the book set before it is written
  std::function<std::string()> gssm;          // a description of its own (UTF-8), or null
  std::function<void(const Workspace&)> raw;  // raw files written over the book set
  bool path;                                  // the run hands back the path, else "0"
  std::function<void(const Workspace&, const RunOutcome&)> check;  // what it yields
};

const std::string kZhe = "\xD5\xE2";  // a GBK character, spelt in bytes: 这

std::vector<std::string> Tables(const Workspace& ws) {
  return test::TableNames(ws.db());
}
bool HasTable(const Workspace& ws, const std::string& name) {
  const auto t = Tables(ws);
  return std::find(t.begin(), t.end(), name) != t.end();
}

const std::vector<HostileCase>& Cases() {
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
         std::string cr_only = ReadFileText(ws.source() + "/GSSM.txt");
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
  return cases;
}

TEST(HostileData, EachCaseEndsAsTheRunsRulesSay) {
  for (const HostileCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    Workspace ws;
    BookSet set = BaseSet();
    if (c.change) c.change(set);
    ws.WriteBookSet(set);
    if (c.gssm) ws.WriteSource("GSSM.txt", c.gssm());
    if (c.raw) c.raw(ws);
    test::ClearLog();
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome = RunDoIt(ws.work(), ws.source());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), 20.0) << "bounded work";
    EXPECT_EQ(outcome.result, c.path ? test::ResultPath(ws.db()) : u"0")
        << ::testing::PrintToString(outcome.errors);
    if (!c.path) {
      // The error box, or the engine's message in the host's log.
      EXPECT_FALSE(outcome.errors.empty() && test::LogEntries().empty())
          << "a failure without a message";
    }
    if (PathExists(ws.db())) {
      EXPECT_EQ(test::IntegrityCheck(ws.db()), "ok");
    }
    c.check(ws, outcome);
  }
}

}  // namespace
}  // namespace qoru
