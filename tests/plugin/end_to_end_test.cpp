// Whole conversions through DoIt, checked on the tables of the resulting database.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "gendata/dataset.h"
#include "test_support/bookset.h"
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
using test::TablesOf;
using test::TwoTypeSet;
using test::Workspace;

bool Succeeded(const test::RunOutcome& o, const Workspace& ws) {
  return o.result == test::ResultPath(ws.db());
}

bool HasEvent(const std::vector<std::string>& events, const std::string& e) {
  return std::find(events.begin(), events.end(), e) != events.end();
}

TEST(EndToEnd, SampleBookSetConvertsAsDocumented) {
  Workspace ws;
  gen::WriteSampleDataset(ws.source());
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_TRUE(Succeeded(outcome, ws)) << (outcome.errors.empty() ? "" : outcome.errors[0]);
  const std::string db = ws.db();

  EXPECT_EQ(QueryRows(db,
                      "select 科目编号, 余额方向, 辅助核算项 from KJKM where 科目名称='系统生成' "
                      "order by 科目编号, 余额方向"),
            (Rows{{"1012", "借", "NULL"},
                  {"2221", "借", "NULL"},
                  {"2221", "贷", "NULL"},
                  {"222101", "借", "NULL"},
                  {"222101", "贷", "NULL"}}));
  const auto tables = TablesOf(db);
  for (const char* t : {"tmp8", "tmp6", "aidInfo", "aidVour", "aidBal", "BMDA", "XMDA", "WLDW"})
    EXPECT_NE(std::find(tables.begin(), tables.end(), t), tables.end()) << t;

  EXPECT_EQ(QueryRows(db, "select count(*), min(flxh), max(flxh) from JZPZ"),
            (Rows{{"45", "1", "45"}}));
  EXPECT_EQ(QueryRows(db, "select count(*) from aidVour")[0][0], "17");
  EXPECT_EQ(QueryRows(db, "select count(*) from aidBal")[0][0], "9");
  EXPECT_EQ(QueryRows(db, "select count(*) from aidInfo")[0][0], "15");
  // Codes go to the columns their account's types name, whatever the order.
  EXPECT_EQ(QueryRows(db, "select 部门, 项目, 往来单位 from aidVour where flxh=3"),
            (Rows{{"03", "P003", "NULL"}}));
  // A group ending in "/" assigns the empty text.
  EXPECT_EQ(QueryRows(db, "select 部门, 项目 from aidVour where flxh=25"), (Rows{{"05", ""}}));
  // An archive code with blanks around it is kept; a blank code is left out.
  EXPECT_EQ(QueryRows(db, "select count(*) from aidInfo where AidCode=' 06 '")[0][0], "1");
  EXPECT_EQ(QueryRows(db, "select count(*) from aidInfo where AidType='往来单位'")[0][0], "5");
  EXPECT_EQ(QueryRows(db, "select count(*) from aidInfo where AidCode='P003'")[0][0], "2");
}

TEST(EndToEnd, GeneratedBookSetsMatchTheirSummaries) {
  for (std::uint64_t seed : {1u, 7u}) {
    Workspace ws;
    gen::DatasetOptions options;
    options.seed = seed;
    options.depth = 4;
    options.postings = 400;
    options.balances = 120;
    gen::EnableIrregularities(options);
    const gen::DatasetSummary summary = gen::WriteDataset(ws.source(), options);
    const auto outcome = RunDoIt(ws.work(), ws.source());
    ASSERT_TRUE(Succeeded(outcome, ws)) << (outcome.errors.empty() ? "" : outcome.errors[0]);
    const std::string db = ws.db();
    EXPECT_EQ(std::stoul(QueryRows(db, "select count(*) from aidVour")[0][0]),
              summary.rmb_aux_postings);
    EXPECT_EQ(std::stoul(QueryRows(db, "select count(*) from aidBal")[0][0]),
              summary.rmb_aux_balances);
    EXPECT_EQ(QueryRows(db, "select count(*), min(flxh), max(flxh) from JZPZ"),
              (Rows{{std::to_string(summary.postings), "1", std::to_string(summary.postings)}}));
    // Every account of even length above four has its parent now.
    EXPECT_EQ(QueryRows(db,
                        "select count(*) from KJKM c where length(c.科目编号) > 4 and "
                        "length(c.科目编号) % 2 = 0 and not exists (select 1 from KJKM p "
                        "where p.科目编号 = substr(c.科目编号, 1, length(c.科目编号) - 2))")[0][0],
              "0");
    // Every posting with codes got them spread: no row keeps a group without any column.
    EXPECT_EQ(QueryRows(db,
                        "select count(*) from JZPZ where trim(辅助核算组) <> '' and 部门 is null "
                        "and 项目 is null and 往来单位 is null")[0][0],
              "0");
  }
}

TEST(EndToEnd, StatusTextsFollowTheStagesInOrder) {
  Workspace ws;
  ws.WriteBookSet(TwoTypeSet());
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_TRUE(Succeeded(outcome, ws));
  std::vector<std::string> statuses;
  for (const auto& e : outcome.events)
    if (e.rfind("status:", 0) == 0) statuses.push_back(e.substr(7));
  EXPECT_EQ(statuses,
            (std::vector<std::string>{"正在拷贝数据，请稍候……", "正在处理凭证表，请稍候……",
                                      "正在处理余额表，请稍候……", "正在生成辅助信息表，请稍候……"}));
}

TEST(EndToEnd, AuxiliaryCodesLandInTheirColumns) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.jzpz = {{"6602", "全", "1.00", "0.00", "人民币", "0", "a1/b1"},
              {"6602", "少一个", "2.00", "0.00", "人民币", "0", "a2"},
              {"6602", "斜线结尾", "3.00", "0.00", "人民币", "0", "a1/"},
              {"6602", "空白", "4.00", "0.00", "人民币", "0", "   "},
              {"1122", "外币", "5.00", "0.00", "美元", "0", "b1"},
              {"1122", "作废", "6.00", "0.00", "人民币", "1", "b1"},
              {"1001", "无辅助", "7.00", "0.00", "人民币", "0", ""}};
  set.kmye = {{"6602", "人民币", "10", "a1/b1"},
              {"1122", "人民币", "20", "b1"},
              {"1122", "美元", "30", "b1"},
              {"1001", "人民币", "40", ""}};
  ws.WriteBookSet(set);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_TRUE(Succeeded(outcome, ws)) << (outcome.errors.empty() ? "" : outcome.errors[0]);
  const std::string db = ws.db();
  EXPECT_EQ(QueryRows(db, "select flxh, A, B from JZPZ order by flxh"),
            (Rows{{"1", "a1", "b1"},
                  {"2", "a2", "NULL"},
                  {"3", "a1", ""},
                  {"4", "NULL", "NULL"},
                  {"5", "NULL", "b1"},
                  {"6", "NULL", "b1"},
                  {"7", "NULL", "NULL"}}));
  EXPECT_EQ(
      QueryRows(db, "select flxh, 摘要, A, B from aidVour order by flxh"),
      (Rows{{"1", "全", "a1", "b1"}, {"2", "少一个", "a2", "NULL"}, {"3", "斜线结尾", "a1", ""}}));
  EXPECT_EQ(QueryRows(db, "select 科目编号, 期初余额, A, B from aidBal order by 科目编号"),
            (Rows{{"1122", "20", "NULL", "b1"}, {"6602", "10", "a1", "b1"}}));
  EXPECT_EQ(QueryRows(db,
                      "select AidType, AidCode, AidName, AidDec, AidVouSourceFiledName, "
                      "AidBalSourceFiledName from aidInfo"),
            (Rows{{"A", "a1", "甲", "", "A", "A"},
                  {"A", "a2", "乙", "", "A", "A"},
                  {"B", "b1", "丙", "", "B", "B"}}));
}

TEST(EndToEnd, ValuesHoldingCommasAndQuotesKeepTheirColumns) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.jzpz = {{"6602", "支付运费,装卸费", "1,000.00", "0.00", "人民币", "0", "a1/b1"},
              {"6602", "\"运费,装卸费\"", "2.00", "0.00", "人民币", "0", "a2"}};
  ws.WriteBookSet(set);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_TRUE(Succeeded(outcome, ws)) << (outcome.errors.empty() ? "" : outcome.errors[0]);
  EXPECT_EQ(QueryRows(ws.db(), "select 摘要, 借方金额, 贷方金额, 币种, 作废标志, A, B from JZPZ"),
            (Rows{{"支付运费,装卸费", "1,000.00", "0.00", "人民币", "0", "a1", "b1"},
                  {"\"运费,装卸费\"", "2.00", "0.00", "人民币", "0", "a2", "NULL"}}));
  EXPECT_EQ(QueryRows(ws.db(), "select 摘要, 借方金额, A, B from aidVour order by flxh"),
            (Rows{{"支付运费,装卸费", "1,000.00", "a1", "b1"},
                  {"\"运费,装卸费\"", "2.00", "a2", "NULL"}}));
}

TEST(EndToEnd, ChartCompletionEdgeCases) {
  struct Case {
    const char* name;
    Rows kjkm;
    std::vector<std::string> scratch;  // tmp tables expected
    Rows added;                        // rows named 系统生成, ordered by code and direction
  };
  const std::vector<Case> cases = {
      {"codes of four characters or less",
       {{"1001", "现金", "借", ""}, {"12", "x", "借", ""}},
       {},
       {}},
      {"odd longest length runs 9, 7 and 5",
       {{"100100101", "九", "借", ""}, {"10010010", "八", "贷", ""}},
       {"tmp5", "tmp7", "tmp9"},
       {{"100", "借"}, {"10010", "借"}, {"1001001", "借"}}},
      {"a parent present only with a null name is added again",
       {{"100101", "子", "借", ""}, {"1001", "", "借", ""}},
       {"tmp6"},
       {{"1001", "借"}}},
      {"children with two directions add the parent once per direction",
       {{"22210101", "进项", "借", ""},
        {"22210102", "销项", "贷", ""},
        {"22210103", "x", "贷", ""}},
       {"tmp6", "tmp8"},
       {{"2221", "借"}, {"2221", "贷"}, {"222101", "借"}, {"222101", "贷"}}},
      {"more than four passes",
       {{"10010101010101", "深", "借", ""}},
       {"tmp10", "tmp12", "tmp14", "tmp6", "tmp8"},
       {{"1001", "借"},
        {"100101", "借"},
        {"10010101", "借"},
        {"1001010101", "借"},
        {"100101010101", "借"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    BookSet set = TwoTypeSet();
    set.kjkm = c.kjkm;
    ws.WriteBookSet(set);
    const auto outcome = RunDoIt(ws.work(), ws.source());
    ASSERT_TRUE(Succeeded(outcome, ws)) << (outcome.errors.empty() ? "" : outcome.errors[0]);
    std::vector<std::string> scratch;
    for (const auto& t : TablesOf(ws.db()))
      if (t.rfind("tmp", 0) == 0) scratch.push_back(t);
    EXPECT_EQ(scratch, c.scratch);
    EXPECT_EQ(QueryRows(ws.db(),
                        "select 科目编号, 余额方向 from KJKM where 科目名称='系统生成' "
                        "order by 科目编号, 余额方向"),
              c.added);
    // The chart stage's bar: 4 parts, full at the end, never beyond.
    EXPECT_TRUE(HasEvent(outcome.events, "progress:4/4 100%"));
  }
}

TEST(EndToEnd, ArchiveProgressCountsFromZeroAndEndsOnePartShort) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.aux_types = {"A", "B", "C"};
  set.archives = {{"A", "ADA.txt"}, {"B", "BDA.txt"}, {"C", "CDA.txt"}};
  set.archive_rows["CDA.txt"] = {{"c1", "丁"}};
  set.kmye = {{"1001", "人民币", "1", ""},
              {"1001", "人民币", "1", ""},
              {"1001", "人民币", "1", ""},
              {"1001", "人民币", "1", ""},
              {"1001", "人民币", "1", ""}};
  ws.WriteBookSet(set);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_TRUE(Succeeded(outcome, ws));
  const auto& ev = outcome.events;
  const auto start = std::find(ev.begin(), ev.end(), "status:正在生成辅助信息表，请稍候……");
  ASSERT_NE(start, ev.end());
  std::vector<std::string> progress;
  for (auto it = ev.begin(); it != ev.end(); ++it)
    if (it->rfind("progress:", 0) == 0 && it->find("/3 ") != std::string::npos)
      progress.push_back(*it);
  EXPECT_EQ(progress,
            (std::vector<std::string>{"progress:0/3 0%", "progress:1/3 33%", "progress:2/3 67%"}));
}

TEST(EndToEnd, NoArchiveFilesStillExtracts) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.archives.clear();
  set.jzpz = {{"6602", "x", "1", "0", "人民币", "0", "a1/b1"}};
  ws.WriteBookSet(set);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_TRUE(Succeeded(outcome, ws));
  EXPECT_EQ(QueryRows(ws.db(), "select count(*) from aidInfo")[0][0], "0");
  EXPECT_EQ(QueryRows(ws.db(), "select A, B from aidVour"), (Rows{{"a1", "b1"}}));
}

TEST(EndToEnd, RowsThatCannotBeSpreadStopTheRunWithAMessageAndKeepEarlierRows) {
  struct Case {
    const char* name;
    Rows jzpz;
    std::vector<std::string> message_parts;
  };
  const std::vector<Case> cases = {
      {"account without auxiliary item names",
       {{"6602", "好", "1", "0", "人民币", "0", "a1/b1"},
        {"1001", "坏", "1", "0", "人民币", "0", "a1"}},
       {"JZPZ", "第 2 行", "1001"}},
      {"more codes than names",
       {{"6602", "好", "1", "0", "人民币", "0", "a1/b1"},
        {"6602", "坏", "1", "0", "人民币", "0", "a1/b1/c1"}},
       {"JZPZ", "第 2 行", "6602", "c1"}},
      {"account missing from the chart",
       {{"6602", "好", "1", "0", "人民币", "0", "a1"},
        {"9999", "坏", "1", "0", "人民币", "0", "a1"}},
       {"JZPZ", "第 2 行", "9999"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    BookSet set = TwoTypeSet();
    set.jzpz = c.jzpz;
    ws.WriteBookSet(set);
    const auto outcome = RunDoIt(ws.work(), ws.source());
    EXPECT_EQ(outcome.result, u"0");
    ASSERT_EQ(outcome.errors.size(), 1u);
    for (const auto& part : c.message_parts)
      EXPECT_NE(outcome.errors[0].find(part), std::string::npos) << outcome.errors[0];
    // The first row was posted before the failure and stays.
    EXPECT_EQ(QueryRows(ws.db(), "select A from JZPZ where flxh=1")[0][0], "a1");
    EXPECT_EQ(QueryRows(ws.db(), "select A from JZPZ where flxh=2")[0][0], "NULL");
  }
}

TEST(EndToEnd, ATypeThatIsNotAColumnNamesTheType) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.kjkm = {{"6602", "费用", "借", "A/ B"}};  // " B" is no column
  set.jzpz = {{"6602", "x", "1", "0", "人民币", "0", "a1/b1"}};
  ws.WriteBookSet(set);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  ASSERT_EQ(outcome.errors.size(), 1u);
  EXPECT_NE(outcome.errors[0].find(" B"), std::string::npos) << outcome.errors[0];
  EXPECT_NE(outcome.errors[0].find("6602"), std::string::npos) << outcome.errors[0];
}

TEST(EndToEnd, MoreArchiveFilesThanTypesStopsTheRun) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  ws.WriteBookSet(set);
  // A third archive section for a type that is not listed cannot be read as such; list
  // a type twice instead, so that two sections pair with one name too many.
  std::string gssm = set.Gssm();
  gssm += "[A]\nADA2.txt\nA编号,文本,10\nA名称,文本,10\n";
  ws.WriteSource("GSSM.txt", gssm);
  ws.WriteTable("ADA2.txt", {{"z", "z"}});
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  ASSERT_EQ(outcome.errors.size(), 1u);
  EXPECT_NE(outcome.errors[0].find("ADA2.txt"), std::string::npos) << outcome.errors[0];
}

TEST(EndToEnd, MissingDescriptionFailsOnTheClosedChartQuery) {
  Workspace ws;
  ws.WriteTable("KJKM.txt", {{"1001", "现金", "借", ""}});
  test::ClearLog();
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  ASSERT_EQ(outcome.errors.size(), 1u);
  ASSERT_EQ(test::LogEntries().size(), 1u);  // the failed length query
  EXPECT_EQ(Utf16ToUtf8(test::LogEntries()[0].message).rfind("SQL不能执行", 0), 0u);
}

TEST(EndToEnd, EngineErrorWhilePostingLogsOnceAndCancels) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.kmye = {{"6602", "人民币", "1", std::string(300, 'x') + "/b1"}};  // too long for varchar(255)
  ws.WriteBookSet(set);
  test::ClearLog();
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  EXPECT_TRUE(outcome.errors.empty());
  ASSERT_EQ(test::LogEntries().size(), 1u);
  EXPECT_EQ(test::LogEntries()[0].level, 3);
  EXPECT_NE(Utf16ToUtf8(test::LogEntries()[0].message).find("KMYE"), std::string::npos);
}

TEST(EndToEnd, RerunOverTheSameWorkDirectoryKeepsTheExistingDatabase) {
  Workspace ws;
  ws.WriteBookSet(TwoTypeSet());
  ASSERT_TRUE(Succeeded(RunDoIt(ws.work(), ws.source()), ws));
  // The second run finds GBA.mdb: imports and aidInfo creation are refused, so the
  // run goes on against the tables it holds.
  const auto second = RunDoIt(ws.work(), ws.source());
  EXPECT_TRUE(Succeeded(second, ws));
  EXPECT_EQ(QueryRows(ws.db(), "select count(*) from aidInfo")[0][0], "6");
}

}  // namespace
}  // namespace qoru

namespace qoru {
namespace {

TEST(EndToEnd, BytesThatAreNotGbkBecomeReplacementCharactersAndAreReported) {
  test::Workspace ws;
  test::BookSet set;
  set.kjkm = {{"1001", "现金", "借", ""}};
  ws.WriteBookSet(set);
  // A name holding the byte 0xFF, which no GBK character starts with.
  test::WriteFile(ws.source() + "/KJKM.txt", Gbk("1001\t现") + "\xFF" + Gbk("金\t借\t\r\n"));
  const auto outcome = test::RunDoIt(ws.work(), ws.source());
  ASSERT_EQ(outcome.result, test::ResultPath(ws.db()));
  EXPECT_EQ(test::QueryRows(ws.db(), "select 科目名称 from KJKM"), (test::Rows{{"现\uFFFD金"}}));
  EXPECT_TRUE(std::any_of(outcome.events.begin(), outcome.events.end(), [](const std::string& e) {
    return e.rfind("notice:", 0) == 0 && e.find("1 处") != std::string::npos;
  }));
}

}  // namespace
}  // namespace qoru
