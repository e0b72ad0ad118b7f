// `qoru-gbtxt inspect` against what `qoru-gbtxt convert` then does with the same book
// set.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "gendata/dataset.h"
#include "test_support/bookset.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"
#include "tools/convert_runs.h"

namespace qoru {
namespace {

using test::BookSet;
using test::Convert;
using test::Converted;
using test::LogText;
using test::Rows;
using test::RunCommand;
using test::ShellWord;
using test::SpreadableSet;
using test::Workspace;

using test::kHost;

struct Inspected {
  int exit_code;
  nlohmann::json report;
};

Inspected Inspect(const std::string& source) {
  const auto ran = RunCommand(kHost + " inspect --json --source " + ShellWord(source), false);
  return {ran.exit_code, nlohmann::json::parse(ran.out, nullptr, false)};
}

TEST(Inspect, PredictsEveryFailureInTheRunsOwnWordsAndExitsOne) {
  struct Case {
    const char* name;
    std::function<void(BookSet&)> change;
    std::string where;  // the file and line the first finding names
    bool error_box;     // the run ends with an error box (else with an engine error)
  };
  const std::vector<Case> cases = {
      {"account without auxiliary item names",
       [](BookSet& s) {
         s.jzpz.push_back({"1001", "坏", "1", "0", "人民币", "0", "a1"});
       },
       "JZPZ.txt 第 2 行", true},
      {"more codes than names",
       [](BookSet& s) {
         s.jzpz.push_back({"6602", "坏", "1", "0", "人民币", "0", "a1/b1/c1"});
       },
       "JZPZ.txt 第 2 行", true},
      {"account missing from the chart",
       [](BookSet& s) {
         s.kmye.push_back({"9999", "人民币", "1", "a1"});
       },
       "KMYE.txt 第 2 行", true},
      {"type that is not a column", [](BookSet& s) { s.kjkm[1][3] = "A/ B"; }, "JZPZ.txt 第 1 行",
       true},
      {"code too long for its column",
       [](BookSet& s) { s.kmye[0][3] = std::string(300, 'x') + "/b1"; }, "KMYE.txt 第 1 行", false},
      {"chart code of 1 MB, far past its declared width",
       [](BookSet& s) {
         s.kjkm.push_back({std::string(1'000'000, '7'), "长", "借", ""});
       },
       "KJKM.txt 第 4 行", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    BookSet set = SpreadableSet();
    c.change(set);
    ws.WriteBookSet(set);
    const Inspected inspected = Inspect(ws.source());
    ASSERT_EQ(inspected.exit_code, 1) << inspected.report.dump(2);
    ASSERT_FALSE(inspected.report["would_succeed"].get<bool>());
    const auto& first = inspected.report["findings"][0];
    EXPECT_TRUE(first["fatal"].get<bool>());
    const std::string where = first["file"].get<std::string>() + " 第 " +
                              std::to_string(first["line"].get<int>()) + " 行";
    EXPECT_EQ(where, c.where);

    const Converted converted = Convert(ws.source(), ws.work() + "cli");
    EXPECT_EQ(converted.exit_code, 1);
    if (c.error_box) {
      EXPECT_EQ(LogText(converted.log, "错误框"), inspected.report["reason"].get<std::string>());
    } else {
      EXPECT_NE(LogText(converted.log, "日志（错误）").find("KMYE"), std::string::npos)
          << converted.log;
    }
  }
}

// The description of SpreadableSet with its first `from` replaced by `to`.
std::string GssmWith(const std::string& from, const std::string& to) {
  std::string gssm = SpreadableSet().Gssm();
  const std::size_t at = gssm.find(from);
  if (at != std::string::npos) gssm.replace(at, from.size(), to);
  return gssm;
}

// Where the run stops at a query, a field or a file rather than at a row's codes, inspect
// says what the run's error box says, word for word.
TEST(Inspect, SaysWhatTheRunSaysWhereAQueryFieldOrFileFails) {
  struct Case {
    const char* name;
    std::string from, to;  // a change of the description
    const char* removed;   // a source file removed, or null
    std::string where;     // the file and line of the first finding
  };
  const std::vector<Case> cases = {
      {"chart without 科目编号 (the completion's query)", "KJKM.txt\n科目编号",
       "KJKM.txt\n科目代码", nullptr, "KJKM.txt 第 0 行"},
      {"chart without 辅助核算项 (the look-up)", "辅助核算项,", "辅助项目,", nullptr,
       "JZPZ.txt 第 1 行"},
      {"chart under another name (no KJKM to look up)", "[会计科目]\nKJKM.txt",
       "[会计科目]\nKJ01.txt", nullptr, "JZPZ.txt 第 1 行"},
      {"vouchers without 辅助核算组 (the walk's field)", "作废标志,文本,100\n辅助核算组",
       "作废标志,文本,100\n辅助组", nullptr, "JZPZ.txt 第 1 行"},
      {"a table file missing", "", "", "JZPZ.txt", "JZPZ.txt 第 0 行"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    ws.WriteBookSet(SpreadableSet());
    if (!c.from.empty()) ws.WriteSource("GSSM.txt", GssmWith(c.from, c.to));
    if (c.to.find("KJ01.txt") != std::string::npos)
      std::rename((ws.source() + "/KJKM.txt").c_str(), (ws.source() + "/KJ01.txt").c_str());
    if (c.removed != nullptr) std::remove((ws.source() + "/" + c.removed).c_str());
    const Inspected inspected = Inspect(ws.source());
    ASSERT_EQ(inspected.exit_code, 1) << inspected.report.dump(2);
    const auto& first = inspected.report["findings"][0];
    EXPECT_EQ(first["file"].get<std::string>() + " 第 " + std::to_string(first["line"].get<int>()) +
                  " 行",
              c.where);
    const Converted converted = Convert(ws.source(), ws.work() + "cli");
    EXPECT_EQ(converted.exit_code, 1);
    EXPECT_EQ(LogText(converted.log, "错误框"), inspected.report["reason"].get<std::string>())
        << converted.log;
  }
}

// Replaces every `from` in a staged source file by raw bytes that UTF-8 test data
// cannot carry.
void Patch(const std::string& path, const std::string& from, const std::string& to) {
  std::string bytes = test::ReadFile(path);
  for (std::size_t at = 0; (at = bytes.find(from, at)) != std::string::npos; at += to.size())
    bytes.replace(at, from.size(), to);
  test::WriteFile(path, bytes);
}

TEST(Inspect, VerdictIsTheRunsOutcomeForTrickyPostings) {
  std::string chinese255;
  for (int i = 0; i < 255; ++i) chinese255 += "码";
  struct Case {
    const char* name;
    std::vector<test::Row> chart;              // rows added to the chart
    std::string account;                       // the posting's account
    std::string group;                         // its 辅助核算组
    std::map<std::string, std::string> bytes;  // placeholders -> raw bytes, in every file
    bool converts;
  };
  const std::vector<Case> cases = {
      {"bytes that are not GBK in an account",
       {{"@@01", "x", "借", "A"}},
       "@@01",
       "a1",
       {{"@@", "\xFF"}},
       true},
      {"bytes that are not GBK in a code", {}, "6602", "a@@1/b1", {{"@@", "\xFF\x80"}}, true},
      {"a blank group", {}, "1001", "   ", {}, true},
      {"a '/' alone", {}, "6602", "/", {}, true},
      {"a '/' alone for one type", {}, "1122", "/", {}, false},
      {"a trailing '/'", {}, "6602", "a1/", {}, true},
      {"the good chart row first",
       {{"7001", "x", "借", "A"}, {"7001", "y", "借", ""}},
       "7001",
       "a1",
       {},
       true},
      {"the bad chart row first",
       {{"7001", "y", "借", ""}, {"7001", "x", "借", "A"}},
       "7001",
       "a1",
       {},
       false},
      {"type names with blanks around them",
       {{"7002", "x", "借", " A / B "}},
       "7002",
       "a1",
       {},
       false},
      {"a type name with a blank inside", {{"7003", "x", "借", "A/ B"}}, "7003", "a1", {}, true},
      {"ASCII case differing", {{"ab01", "x", "借", "A"}}, "AB01", "a1", {}, true},
      {"a 300-character code", {}, "6602", std::string(300, 'x') + "/b1", {}, false},
      {"255 Chinese characters", {}, "6602", chinese255 + "/b1", {}, true},
      {"256 Chinese characters", {}, "6602", chinese255 + "码/b1", {}, false},
      {"Chinese characters in a code", {}, "6602", "部门甲/项目乙", {}, true},
      {"four-byte characters in a code", {}, "6602", "@@/b1", {{"@@", "\x95\x32\x82\x36"}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    BookSet set = SpreadableSet();
    for (const test::Row& row : c.chart) set.kjkm.push_back(row);
    set.jzpz.push_back({c.account, "难", "1", "0", "人民币", "0", c.group});
    ws.WriteBookSet(set);
    for (const auto& [from, to] : c.bytes)
      for (const char* file : {"KJKM.txt", "JZPZ.txt"}) Patch(ws.source() + "/" + file, from, to);
    const Inspected inspected = Inspect(ws.source());
    const Converted converted = Convert(ws.source(), ws.work() + "cli");
    EXPECT_EQ(converted.exit_code, c.converts ? 0 : 1) << converted.log;
    EXPECT_EQ(inspected.exit_code, converted.exit_code) << inspected.report.dump(2);
  }
}

TEST(Inspect, PredictsFailuresBeforeThePasses) {
  struct Case {
    const char* name;
    std::function<void(Workspace&)> make;
    std::string reason_part;
    int convert_exit = 1;  // convert and inspect refuse a source without a description (2)
  };
  const std::vector<Case> cases = {
      {"no description",
       [](Workspace& ws) {
         ws.WriteTable("KJKM.txt", {{"1001", "现金", "借", ""}});
       },
       "GSSM.txt", 2},
      {"a table file the description names is missing",
       [](Workspace& ws) {
         ws.WriteBookSet(SpreadableSet());
         std::remove((ws.source() + "/JZPZ.txt").c_str());
       },
       "JZPZ.txt"},
      {"more archive files than types",
       [](Workspace& ws) {
         BookSet set = SpreadableSet();
         ws.WriteBookSet(set);
         ws.WriteSource("GSSM.txt", set.Gssm() + "\n[A]\nADA2.txt\nA编号,文本,10\nA名称,文本,10\n");
         ws.WriteTable("ADA2.txt", {{"z", "z"}});
       },
       "ADA2.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    c.make(ws);
    EXPECT_EQ(Convert(ws.source(), ws.work() + "cli").exit_code, c.convert_exit);
    if (c.convert_exit == 2) {
      // Refused before the run by both, in the same words (tested beside convert).
      const auto ran = RunCommand(kHost + " inspect --source " + ShellWord(ws.source()));
      EXPECT_EQ(ran.exit_code, 2) << ran.out;
      EXPECT_NE(ran.out.find(c.reason_part), std::string::npos) << ran.out;
      continue;
    }
    const Inspected inspected = Inspect(ws.source());
    EXPECT_EQ(inspected.exit_code, 1) << inspected.report.dump(2);
    EXPECT_NE(inspected.report["reason"].get<std::string>().find(c.reason_part), std::string::npos)
        << inspected.report.dump(2);
  }
}

// The rows that inspect expects of each table against the tables that convert made.
void ExpectRowCountsMatch(const nlohmann::json& inspected, const nlohmann::json& summary) {
  std::map<std::string, long long> made;
  for (const auto& t : summary["tables"])
    made[AsciiLower(t["name"].get<std::string>())] = t["rows"].get<long long>();
  int compared = 0;
  for (const auto& t : inspected["tables"]) {
    if (!t["imported"].get<bool>()) continue;
    const std::string name = AsciiLower(t["name"].get<std::string>());
    ASSERT_EQ(made.count(name), 1u) << name;
    EXPECT_EQ(t["rows"].get<long long>(), made[name]) << name;
    ++compared;
  }
  EXPECT_GE(compared, 3);
}

TEST(Inspect, SucceedingBookSetsExitZeroWithTheRowCountsOfTheDatabase) {
  test::TempDir tmp;
  gen::DatasetOptions irregular;
  irregular.postings = 3000;
  irregular.balances = 400;
  gen::EnableIrregularities(irregular);
  test::MakeDir(tmp.path() + "generated");
  gen::WriteDataset(tmp.path() + "generated", irregular);
  test::MakeDir(tmp.path() + "sample");
  gen::WriteSampleDataset(tmp.path() + "sample");
  // The voucher file named by an earlier section too: its header line becomes a row.
  test::MakeDir(tmp.path() + "twice");
  gen::WriteSampleDataset(tmp.path() + "twice");
  const std::string gssm = tmp.path() + "twice/GSSM.txt";
  std::string description = test::ReadFile(gssm);
  const std::string vouchers = Gbk("[记账凭证]\r\nJZPZ.txt");
  ASSERT_NE(description.find(vouchers), std::string::npos);
  description.replace(description.find(vouchers), vouchers.size(),
                      Gbk("[记账凭证旧]\r\nJZPZ.txt\r\n摘要,文本,10\r\n\r\n") + vouchers);
  test::WriteFile(gssm, description);

  for (const char* name : {"generated", "sample", "twice"}) {
    SCOPED_TRACE(name);
    const std::string source = tmp.path() + name;
    const Inspected inspected = Inspect(source);
    ASSERT_EQ(inspected.exit_code, 0) << inspected.report.dump(2);
    const Converted converted = Convert(source, tmp.path() + name + "-work");
    ASSERT_EQ(converted.exit_code, 0) << converted.log;
    ExpectRowCountsMatch(inspected.report, converted.summary);
  }
}

TEST(Inspect, ASourcePathThatIsNotUtf8StillGivesJson) {
  test::TempDir tmp;
  const std::string source = tmp.path() + "\xD5\xCB\xCC\xD7";  // "账套" in GBK bytes
  test::MakeDir(source);
  gen::WriteSampleDataset(source);
  const Inspected inspected = Inspect(source);
  EXPECT_EQ(inspected.exit_code, 0);
  ASSERT_FALSE(inspected.report.is_discarded());
}

}  // namespace
}  // namespace qoru
