#include "plugin/hostile_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "files/file_system.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/log_capture.h"
#include "test_support/system.h"

namespace qoru::hostile {

using test::RunDoIt;

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

std::string RawRows(const std::vector<std::string>& rows, const std::string& eol) {
  std::string text;
  for (const std::string& row : rows) text += row + eol;
  return text;
}

std::string JoinTabs(const std::vector<std::string>& values) {
  std::string line;
  for (std::size_t i = 0; i < values.size(); ++i) line += (i ? "\t" : "") + values[i];
  return line;
}

bool HasEventWith(const RunOutcome& o, const std::string& prefix, const std::string& word) {
  return std::any_of(o.events.begin(), o.events.end(), [&](const std::string& e) {
    return e.rfind(prefix, 0) == 0 && e.find(word) != std::string::npos;
  });
}

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

void OneType(BookSet& set, const std::string& type, const std::string& file) {
  set.aux_types = {type};
  set.archives = {{type, file}};
  set.archive_rows = {{file, {{"c1", "名"}}}};
  set.kjkm = {{"1001", "现金", "借", ""}, {"6602", "费用", "借", type}};
  set.kmye = {{"6602", "人民币", "10", "c1"}};
  set.jzpz = {{"6602", "一", "1.00", "0.00", "人民币", "0", "c1"}};
}

std::vector<std::string> Tables(const Workspace& ws) {
  return test::TableNames(ws.db());
}
bool HasTable(const Workspace& ws, const std::string& name) {
  const auto t = Tables(ws);
  return std::find(t.begin(), t.end(), name) != t.end();
}

void RunCases(const std::vector<HostileCase>& cases) {
  for (const HostileCase& c : cases) {
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

}  // namespace qoru::hostile
