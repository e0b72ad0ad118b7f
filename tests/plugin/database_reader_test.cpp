// A program that reads GBA.mdb while a run writes it (the sqlite3 shell, a database
// browser, a script). The run holds the file exclusively from its first write to its
// end: a reader that comes later is refused in its own program and costs the run
// nothing; one that came first is waited for a few seconds, and if it still holds the
// file the run ends with "0" and one message naming GBA.mdb. Never a table missing.
#include <sqlite3.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/trace.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/log_capture.h"
#include "test_support/native_path.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/trace_capture.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::BookSet;
using test::Rows;
using test::RunDoIt;
using test::RunOutcome;
using test::Workspace;
using Clock = std::chrono::steady_clock;

// Another program's connection to a database file, without a busy timeout of its own.
class Reader {
 public:
  explicit Reader(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "cannot open " << path;
  }
  ~Reader() { sqlite3_close_v2(db_); }

  // Begins a read transaction and reads the schema; false when the file is locked.
  bool BeginRead() {
    if (sqlite3_exec(db_, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) ==
        SQLITE_OK)
      return true;
    last_error_ = sqlite3_errmsg(db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
  }
  void EndRead() { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }
  const std::string& last_error() const { return last_error_; }

 private:
  sqlite3* db_ = nullptr;
  std::string last_error_;
};

BookSet Books() {
  BookSet set = test::TwoTypeSet();
  set.kjkm.push_back({"66020101", "差旅", "借", "A/B"});  // parents 660201 are added
  set.kmye = {{"6602", "人民币", "10", "a1/b1"}, {"1122", "人民币", "5", "b1"}};
  for (int i = 0; i < 300; ++i)
    set.jzpz.push_back({i % 2 ? "6602" : "66020101", "摘要" + std::to_string(i), "1.00", "0.00",
                        "人民币", "0", i % 3 ? "a1/b1" : "a2"});
  return set;
}

// Every table of a database with its rows, in name order.
Rows TablesAndRows(const std::string& db) {
  Rows out;
  for (const std::string& table : test::TableNames(db))
    out.push_back({table, test::SqliteRows(db, "select count(*) from \"" + table + "\"")[0][0]});
  return out;
}

// The tables and rows of a run that no reader disturbed.
const Rows& Undisturbed() {
  static const Rows rows = [] {
    Workspace ws;
    ws.WriteBookSet(Books());
    const RunOutcome o = RunDoIt(ws.work(), ws.source());
    EXPECT_EQ(o.result, test::ResultPath(ws.db()));
    return TablesAndRows(ws.db());
  }();
  return rows;
}

// A GBA.mdb that is there before the run: the template's copy of an earlier run that
// stopped there (the run keeps it), which the reader can open first.
void PlaceTemplateCopy(const Workspace& ws) {
  test::WriteFile(ws.db(), "");
}

TEST(DatabaseReader, ReaderAtTheTemplateCopyThatLetsGoInTimeIsWaitedFor) {
  ASSERT_GT(Undisturbed().size(), 5u);
  Workspace ws;
  ws.WriteBookSet(Books());
  PlaceTemplateCopy(ws);
  Reader reader(ws.db());
  ASSERT_TRUE(reader.BeginRead());
  std::thread lets_go([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    reader.EndRead();
  });
  const Clock::time_point start = Clock::now();
  const RunOutcome o = RunDoIt(ws.work(), ws.source());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  lets_go.join();
  EXPECT_EQ(o.result, test::ResultPath(ws.db())) << ::testing::PrintToString(o.events);
  EXPECT_GE(seconds, 1.0) << "the run waited for the reader";
  EXPECT_EQ(TablesAndRows(ws.db()), Undisturbed());
}

TEST(DatabaseReader, ReaderAtTheTemplateCopyThatKeepsTheFileEndsTheRunNamingIt) {
  Workspace ws;
  ws.WriteBookSet(Books());
  PlaceTemplateCopy(ws);
  Reader reader(ws.db());
  ASSERT_TRUE(reader.BeginRead());
  test::ClearLog();
  const Clock::time_point start = Clock::now();
  const RunOutcome o = RunDoIt(ws.work(), ws.source());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  reader.EndRead();
  EXPECT_EQ(o.result, u"0");
  EXPECT_LT(seconds, 30.0) << "a bounded wait";
  // One message, in the host's log: the engine's words, the file, who holds it.
  ASSERT_EQ(test::LogEntries().size(), 1u);
  const std::string message = Utf16ToUtf8(test::LogEntries()[0].message);
  EXPECT_NE(test::OneSeparator(message).find("TemplateTemp/GBA.mdb"), std::string::npos) << message;
  EXPECT_NE(message.find("正被另一个程序打开"), std::string::npos) << message;
  EXPECT_EQ(message.find("磁盘"), std::string::npos) << "not a full disk: " << message;
  EXPECT_TRUE(test::TableNames(ws.db()).empty()) << "nothing half-done";
  EXPECT_EQ(test::IntegrityCheck(ws.db()), "ok");
}

// A reader that tries the file at a moment of the run that the trace hook marks.
struct ReaderAtMoments {
  std::string db;
  std::vector<std::string> refused;  // the moments at which the reader was refused
  std::vector<std::string> let_in;   // the moments at which it could read

  void Try(const std::string& moment) {
    Reader reader(db);
    if (reader.BeginRead()) {
      let_in.push_back(moment);
      reader.EndRead();
    } else {
      EXPECT_EQ(reader.last_error(), "database is locked") << moment;
      refused.push_back(moment);
    }
  }
};

TEST(DatabaseReader, ReadersDuringTheImportAndThePassesAreRefusedAndCostNothing) {
  ASSERT_GT(Undisturbed().size(), 5u);
  Workspace ws;
  ws.WriteBookSet(Books());
  ReaderAtMoments readers{ws.db(), {}, {}};
  const test::TraceCapture capture(
      1 << kTraceStatement | 1 << kTraceStage, [&](int kind, const std::string& text) {
        if (kind == kTraceStatement && text.rfind("select * into KJKM in ", 0) == 0)
          readers.Try("after the chart's import, before the others");
        if (kind == kTraceStatement && text.rfind(" select a.科目编码1", 0) == 0)
          readers.Try("during the chart completion");
        if (kind == kTraceStage && text == "凭证辅助核算") readers.Try("after the voucher pass");
        if (kind == kTraceStage && text == "余额辅助核算") readers.Try("after the balance pass");
      });
  const RunOutcome o = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(o.result, test::ResultPath(ws.db())) << ::testing::PrintToString(o.events);
  EXPECT_TRUE(readers.let_in.empty()) << ::testing::PrintToString(readers.let_in);
  EXPECT_GE(readers.refused.size(), 4u) << ::testing::PrintToString(readers.refused);
  EXPECT_EQ(TablesAndRows(ws.db()), Undisturbed());
  // Once the run is over the file is anyone's.
  Reader after(ws.db());
  EXPECT_TRUE(after.BeginRead());
}

TEST(DatabaseReader, HostEndsWithZeroAndOneMessageWhenAReaderKeepsTheFile) {
  Workspace ws;
  ws.WriteBookSet(Books());
  PlaceTemplateCopy(ws);
  Reader reader(ws.db());
  ASSERT_TRUE(reader.BeginRead());
  std::string work = ws.work();
  work.pop_back();
  const test::HostRun run = test::RunHostConvert(ws.source(), work, {"--keep-work"});
  reader.EndRead();
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_TRUE(run.out.ends_with("0\n")) << run.out;
  EXPECT_NE(run.err.find("GBA.mdb"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("正被另一个程序打开"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qoru
