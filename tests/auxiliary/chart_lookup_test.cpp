// The chart's look-up answers every account as the engine's look-up statement does:
// from memory where that is exact, else by asking the engine; and not at all where the
// statement itself fails.
#include "auxiliary/chart_lookup.h"

#include <gtest/gtest.h>

#include "database/engine/sqlite_handle.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

const char* kChart =
    "CREATE TABLE \"KJKM\" (\"科目编号\" TEXT COLLATE NOCASE, \"辅助核算项\" TEXT COLLATE NOCASE);";

// What "select 辅助核算项 from KJKM where 科目编号= ?" gives for `code`, or "<none>".
std::string LookUp(sqlite3* db, const std::string& code) {
  db::SqliteStmt stmt = db::Prepare(db, "select 辅助核算项 from KJKM where 科目编号= ?");
  sqlite3_bind_text(stmt.get(), 1, code.data(), static_cast<int>(code.size()), SQLITE_STATIC);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) return "<none>";
  const auto* text = sqlite3_column_text(stmt.get(), 0);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), 0)))
              : "";
}

db::SqliteDb OpenWith(const test::TempDir& dir, const std::string& setup) {
  const std::string path = dir / "c.mdb";
  test::WriteFile(path, "");
  test::SqliteExec(path, setup);
  return db::OpenExistingDatabase(path);
}

const std::vector<std::string> kAccounts = {
    "6602",
    "ab01",
    "Ab01",
    "AB01",
    "Ａ1",
    "ａ1",
    "1001",
    "7701",
    "7701 ",
    "9999",
    "",
    "\xEF\xBF\xBD"
    "01",  // U+FFFD, as the import decodes a byte that is not GBK
    "𠮷01",
    std::string("66\0"
                "02",
                5),
    std::string("66\0"
                "99",
                5)};

TEST(ChartLookup, AnswersEveryAccountAsTheLookUpStatement) {
  struct Case {
    const char* name;
    std::string setup;
    bool in_memory;
  } cases[] = {
      {"a plain chart",
       std::string(kChart) +
           "INSERT INTO KJKM VALUES ('6602','A/B'), ('6602','B'), ('ab01','甲'),"
           " ('AB01','乙'), ('Ａ1','全角'), ('1001',NULL), (NULL,'空'), ('7701 ','尾'),"
           " (char(65533) || '01', '替换'), ('𠮷01', '四字节');",
       true},
      {"a code holding a NUL",
       std::string(kChart) +
           "INSERT INTO KJKM VALUES ('66' || char(0) || '02', 'A'), ('6602','B');",
       false},
      {"codes compared exactly",
       "CREATE TABLE KJKM (\"科目编号\" TEXT, \"辅助核算项\" TEXT);"
       "INSERT INTO KJKM VALUES ('ab01','甲'), ('AB01','乙');",
       false},
      {"a code that is a number",
       "CREATE TABLE KJKM (\"科目编号\" COLLATE NOCASE, \"辅助核算项\");"
       "INSERT INTO KJKM VALUES (6602, 'A'), ('6602', 'B');",
       false},
      {"a column named like the row identity",
       "CREATE TABLE KJKM (\"科目编号\" TEXT COLLATE NOCASE, \"辅助核算项\" TEXT, \"_rowid_\" "
       "TEXT);"
       "INSERT INTO KJKM VALUES ('6602','A', '9'), ('6602','B', '1');",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    db::SqliteDb db = OpenWith(dir, c.setup);
    std::optional<ChartLookup> chart = ChartLookup::Load(db.get());
    ASSERT_TRUE(chart.has_value());
    EXPECT_EQ(chart->in_memory(), c.in_memory);
    for (const std::string& account : kAccounts) {
      SCOPED_TRACE(account);
      const std::string* types = chart->Find(account);
      EXPECT_EQ(types == nullptr ? "<none>" : *types, LookUp(db.get(), account));
    }
  }
}

TEST(ChartLookup, IsNotLoadedWhereTheLookUpStatementFails) {
  for (const std::string& setup :
       {std::string("CREATE TABLE KJKM (\"科目编号\" TEXT);"),
        std::string("CREATE TABLE KJKM (\"辅助核算项\" TEXT);"),
        std::string("CREATE TABLE JZPZ (\"科目编号\" TEXT, \"辅助核算项\" TEXT);")}) {
    SCOPED_TRACE(setup);
    test::TempDir dir;
    db::SqliteDb db = OpenWith(dir, setup);
    EXPECT_FALSE(ChartLookup::Load(db.get()).has_value());
  }
}

}  // namespace
}  // namespace qoru
