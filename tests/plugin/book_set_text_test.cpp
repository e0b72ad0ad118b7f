// The book set's text is data, never a part of a statement, and never a reason to write
// where the run does not belong: names are quoted whatever they hold, a file-name line
// that could name a table apart from its file is refused before the run touches any
// file, and a source inside the work area is refused before it could be overwritten.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "host/trace.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/trace_capture.h"

namespace qoru {
namespace {

using test::BookSet;
using test::QueryRows;
using test::Rows;
using test::RunDoIt;
using test::RunOutcome;
using test::Workspace;

bool HasError(const RunOutcome& o, const std::string& word) {
  return std::any_of(o.errors.begin(), o.errors.end(),
                     [&](const std::string& e) { return e.find(word) != std::string::npos; });
}

TEST(BookSetText, AuxiliaryTypeNamesStayNamesWhateverTheyHold) {
  // A blank, a double quote, words of SQL: each is the name of a column, as it stands.
  const std::vector<std::string> types = {"部 门", "x\"y", "t) or (1", "select", "d--"};
  BookSet set;
  set.aux_types = types;
  std::string chart_types;
  std::string codes;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string file = "DA" + std::to_string(i) + ".txt";
    set.archives.emplace_back(types[i], file);
    set.archive_rows[file] = {{"c" + std::to_string(i), "名" + std::to_string(i)}};
    chart_types += (i ? "/" : "") + types[i];
    codes += (i ? "/" : "") + ("c" + std::to_string(i));
  }
  set.kjkm = {{"1001", "现金", "借", ""}, {"6602", "费用", "借", chart_types}};
  set.kmye = {{"6602", "人民币", "10", codes}};
  set.jzpz = {{"6602", "一", "1.00", "0.00", "人民币", "0", codes}};
  Workspace ws;
  ws.WriteBookSet(set);
  const RunOutcome o = RunDoIt(ws.work(), ws.source());
  ASSERT_EQ(o.result, test::ResultPath(ws.db())) << ::testing::PrintToString(o.errors);
  const Rows expected_codes = {{"c0", "c1", "c2", "c3", "c4"}};
  EXPECT_EQ(QueryRows(ws.db(),
                      "select \"部 门\", \"x\"\"y\", \"t) or (1\", \"select\", \"d--\" "
                      "from aidVour"),
            expected_codes);
  EXPECT_EQ(QueryRows(ws.db(),
                      "select \"部 门\", \"x\"\"y\", \"t) or (1\", \"select\", \"d--\" "
                      "from aidBal"),
            expected_codes);
  EXPECT_EQ(
      QueryRows(ws.db(), "select AidType, AidCode from aidInfo order by rowid"),
      (Rows{{"部 门", "c0"}, {"x\"y", "c1"}, {"t) or (1", "c2"}, {"select", "c3"}, {"d--", "c4"}}));
}

TEST(BookSetText, AFileNameLineThatWouldBecomeSqlRefusesTheBookSetBeforeAnyFileIsTouched) {
  QORU_SKIP_UNLESS_POSIX("the attack's file names hold characters Windows refuses");
  Workspace ws;
  BookSet set = test::TwoTypeSet();
  ws.WriteBookSet(set);
  test::TempDir other;
  const std::string victim = other / "victim.db";
  test::WriteFile(victim, "");
  test::SqliteExec(victim, "create table kept(v)");
  const std::string before = test::ReadFile(victim);
  // The [A] section's file-name line becomes "select * into [A.txt=] in '<victim>' from
  // B#txt -- ..." once the import puts it between its words.
  std::string gssm = set.Gssm();
  const std::string line = "[A.txt=] in '" + victim + "' from B#txt --abcd";
  gssm.replace(gssm.find("ADA.txt"), 7, line);
  ws.WriteSource("GSSM.txt", gssm);
  ws.WriteSource("[A.txt", "a1\t甲\r\n");
  ws.WriteSource("B.txt", "x\r\n");

  std::vector<std::string> refused;
  const test::TraceCapture trace(1 << kTraceRefused,
                                 [&](int, const std::string& text) { refused.push_back(text); });
  const RunOutcome o = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(o.result, u"0");
  EXPECT_TRUE(HasError(o, "[A]节的文件名行")) << ::testing::PrintToString(o.errors);
  EXPECT_TRUE(HasError(o, "其中有“=”")) << ::testing::PrintToString(o.errors);
  EXPECT_EQ(refused.size(), 1u) << "the host is told that the book set was refused";
  EXPECT_EQ(test::ReadFile(victim), before);
  EXPECT_FALSE(PathExists(ws.db())) << "nothing imported";
}

TEST(BookSetText, ASourceInsideTheWorkAreaIsRefusedAndKeepsItsFiles) {
  Workspace ws;
  ws.WriteBookSet(test::TwoTypeSet());
  // The book set itself sits in TemplateTemp, where staging would write its copies.
  const std::string inside = ws.work() + "TemplateTemp/books";
  test::MakeDir(inside);
  for (const char* name : {"GSSM.txt", "KJKM.txt", "JZPZ.txt", "KMYE.txt"})
    test::WriteFile(inside + "/" + name, test::ReadFile(ws.source() + "/" + name));
  const test::FileSnapshot before = test::Snapshot(inside);
  for (const std::string& source : {inside, ws.work() + "TemplateTemp"}) {
    const RunOutcome o = RunDoIt(ws.work(), source);
    EXPECT_EQ(o.result, u"0") << source;
    EXPECT_TRUE(HasError(o, "TemplateTemp")) << ::testing::PrintToString(o.errors);
    EXPECT_EQ(test::Snapshot(inside), before) << source;
  }
}

}  // namespace
}  // namespace qoru
