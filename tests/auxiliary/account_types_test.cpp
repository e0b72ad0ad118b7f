// The chart read once answers every code as the per-row look-up does, or not at all.
#include "auxiliary/account_types.h"

#include <gtest/gtest.h>

#include "database/sqlite_handle.h"
#include "platform/gbk_codec.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

const char* kChart =
    "CREATE TABLE \"KJKM\" (\"科目编号\" TEXT COLLATE NOCASE, \"辅助核算项\" TEXT COLLATE NOCASE);";

// What "select 辅助核算项 from KJKM where 科目编号= ?" gives for `code`, as UTF-8, or
// "<none>".
std::string LookUp(sqlite3* db, const std::string& code) {
  db::SqliteStmt stmt = db::Prepare(db, "select 辅助核算项 from KJKM where 科目编号= ?");
  sqlite3_bind_text(stmt.get(), 1, code.data(), static_cast<int>(code.size()), SQLITE_STATIC);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) return "<none>";
  const auto* text = sqlite3_column_text(stmt.get(), 0);
  return text ? reinterpret_cast<const char*>(text) : "";
}

TEST(AccountTypes, AnswersEveryCodeAsTheLookUp) {
  test::TempDir dir;
  const std::string path = dir / "c.mdb";
  test::WriteFile(path, "");
  test::SqliteExec(
      path, std::string(kChart) +
                "INSERT INTO KJKM VALUES ('6602','A/B'), ('6602','B'), ('ab01','甲'),"
                " ('AB01','乙'), ('Ａ1','全角'), ('1001',NULL), (NULL,'空'), ('7701 ','尾');");
  db::SqliteDb db = db::OpenExistingDatabase(path);
  const std::optional<AccountTypes> chart = AccountTypes::Load(db.get());
  ASSERT_TRUE(chart.has_value());
  for (const char* code :
       {"6602", "ab01", "Ab01", "AB01", "Ａ1", "ａ1", "1001", "7701", "7701 ", "9999", ""}) {
    SCOPED_TRACE(code);
    const std::string* types = chart->Find(code);
    EXPECT_EQ(types == nullptr ? "<none>" : GbkToUtf8(*types), LookUp(db.get(), code));
  }
  EXPECT_EQ(chart->distinct_types().size(), 8u);
}

TEST(AccountTypes, DeclinesChartsItCannotAnswerFor) {
  for (const std::string& setup :
       {std::string(kChart) + "INSERT INTO KJKM VALUES ('66' || char(0) || '02', 'A');",
        std::string("CREATE TABLE KJKM (\"科目编号\", \"辅助核算项\"); INSERT INTO KJKM VALUES "
                    "(6602, 'A');"),
        std::string("CREATE TABLE KJKM (\"科目编号\" TEXT);"),
        std::string("CREATE TABLE JZPZ (\"科目编号\" TEXT, \"辅助核算项\" TEXT);"),
        std::string(
            "CREATE TABLE KJKM (\"科目编号\" TEXT, \"辅助核算项\" TEXT, \"_rowid_\" TEXT);")}) {
    SCOPED_TRACE(setup);
    test::TempDir dir;
    const std::string path = dir / "c.mdb";
    test::WriteFile(path, "");
    test::SqliteExec(path, setup);
    db::SqliteDb db = db::OpenExistingDatabase(path);
    EXPECT_FALSE(AccountTypes::Load(db.get()).has_value());
  }
}

}  // namespace
}  // namespace qoru
