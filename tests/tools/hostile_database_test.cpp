// A GBA.mdb that came from elsewhere (a colleague, the client's folder) is read as the
// crafted file it may be: check --db and screen --db end within seconds with exit 2 and
// a message naming the file, never a crash, a hang or memory without bound.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using test::ShellWord;

// The columns of a table created with `n` of them.
std::string ManyColumns(int n) {
  std::string sql = "CREATE TABLE JZPZ(";
  for (int i = 1; i <= n; ++i) sql += (i > 1 ? ",c" : "c") + std::to_string(i);
  return sql + ")";
}

// Overwrites the first bytes of the page that holds the root of `table`.
void DamageRootPage(const std::string& db, const std::string& table) {
  const int page_size = std::stoi(test::SqliteRows(db, "pragma page_size")[0][0]);
  const int root = std::stoi(test::SqliteRows(
      db, "select rootpage from sqlite_master where name = '" + table + "'")[0][0]);
  std::string bytes = test::ReadFile(db);
  const std::size_t at = static_cast<std::size_t>(root - 1) * static_cast<std::size_t>(page_size);
  ASSERT_LT(at + 64, bytes.size());
  for (std::size_t i = at; i < at + 64; ++i) bytes[i] = '\xFF';
  test::WriteFile(db, bytes);
}

TEST(HostileDatabase, CraftedFilesEndWithExitTwoNamingTheFileWithinSeconds) {
  test::TempDir tmp;
  ASSERT_EQ(test::RunConvert(test::kSample, tmp / "w").exit_code, 0);
  const std::string converted = tmp / "w/TemplateTemp/GBA.mdb";
  const std::string description = tmp / "w/TemplateTemp/GSSM.txt";
  const struct {
    const char* what;
    std::function<void(const std::string& db)> craft;
  } cases[] = {
      {"JZPZ a view over a recursive CTE",
       [](const std::string& db) {
         test::SqliteExec(db,
                          "drop table JZPZ; create view JZPZ as with recursive c(x) as "
                          "(select 1 union all select x + 1 from c) select x as 科目编号 from c");
       }},
      {"a trigger",
       [](const std::string& db) {
         test::SqliteExec(db, "create trigger t after insert on JZPZ begin delete from KMYE; end");
       }},
      {"a virtual table in the place of JZPZ",
       [](const std::string& db) {
         test::SqliteExec(db, "drop table JZPZ; create virtual table JZPZ using fts4(科目编号)");
       }},
      {"a value of 64 MB, four times what is read",
       [](const std::string& db) {
         test::SqliteExec(db,
                          "update JZPZ set 科目编号 = cast(zeroblob(64 * 1024 * 1024) as text) "
                          "where rowid = 3");
       }},
      {"a damaged page", [](const std::string& db) { DamageRootPage(db, "JZPZ"); }},
      {"a schema with 10,000 columns",
       [](const std::string& db) {
         test::SqliteExec(db, "pragma writable_schema = on; update sqlite_master set sql = '" +
                                  ManyColumns(10000) + "' where name = 'JZPZ'");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "crafted-" + std::to_string(&c - cases);
    const std::string dir = tmp / name + "/";
    test::MakeDir(dir);
    test::WriteFile(dir + "GBA.mdb", test::ReadFile(converted));
    test::WriteFile(dir + "GSSM.txt", test::ReadFile(description));
    c.craft(dir + "GBA.mdb");
    for (const char* command : {"check", "screen"}) {
      const auto start = std::chrono::steady_clock::now();
      const test::RanApart ran =
          test::RunApart(test::kHost + " " + command + " --db " + ShellWord(dir + "GBA.mdb"));
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << command;
      EXPECT_EQ(ran.exit_code, 2) << command << "\n" << ran.out << ran.err;
      // (On Windows the program shows the path with "/".)
      EXPECT_NE(ran.err.find(name + "/GBA.mdb"), std::string::npos) << command << "\n" << ran.err;
    }
  }
}

}  // namespace
}  // namespace qoru
