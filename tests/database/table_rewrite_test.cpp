// When a table rewrite takes on alter statements, and what text the alters leave.
#include "database/table_rewrite.h"

#include <gtest/gtest.h>

#include "database/alter_preview.h"
#include "database/sqlite_handle.h"
#include "database/table_builder.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"

namespace qoru::db {
namespace {

const std::vector<std::vector<AddedColumn>> kAlters = {
    {{"A", "varchar(255) COLLATE NOCASE", false}, {"B", "varchar(255) COLLATE NOCASE", false}},
    {{"flxh", "INTEGER", true}}};

SqliteDb OpenWith(const test::TempDir& dir, const std::string& setup) {
  const std::string path = dir / "t.mdb";
  test::WriteFile(path, "");
  test::SqliteExec(path, setup);
  return OpenExistingDatabase(path);
}

TEST(TableRewrite, PlanTakesOnlyTablesItCanRewriteExactly) {
  const std::string plain = "CREATE TABLE \"T\" (\"x\" TEXT COLLATE NOCASE, \"y\");";
  struct Case {
    const char* name;
    std::string setup;
    bool taken;
  } cases[] = {
      {"a plain table", plain, true},
      {"an index on it", plain + "CREATE INDEX i ON T(x);", false},
      {"a constraint of its own", "CREATE TABLE \"T\" (\"x\" TEXT CHECK (x <> ''));", false},
      {"a default", "CREATE TABLE \"T\" (\"x\" TEXT DEFAULT 'x');", false},
      {"without rowid", "CREATE TABLE \"T\" (\"x\" TEXT PRIMARY KEY) WITHOUT ROWID;", false},
      {"a view in the database", plain + "CREATE VIEW v AS SELECT x FROM T;", false},
      {"a trigger in the database",
       plain + "CREATE TABLE u(x); CREATE TRIGGER g AFTER INSERT ON u BEGIN SELECT 1; END;", false},
      {"a column named like the row identity", "CREATE TABLE \"T\" (\"rowid\" TEXT);", false},
      {"a name written otherwise", "CREATE TABLE T(x TEXT);", false},
      {"a column the alter adds again", "CREATE TABLE \"T\" (\"y\" TEXT, \"a\" TEXT);", false},
      {"no such table", "CREATE TABLE \"U\" (\"x\" TEXT);", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    SqliteDb db = OpenWith(dir, c.setup);
    EXPECT_EQ(TableRewrite::Plan(db.get(), "t", kAlters) != nullptr, c.taken);
    // Trying leaves nothing behind.
    SqliteStmt left = Prepare(db.get(), "SELECT count(*) FROM temp.sqlite_master");
    ASSERT_EQ(sqlite3_step(left.get()), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(left.get(), 0), 0);
  }
}

TEST(TableRewrite, PreviewGivesTheTextThatTheAltersWrite) {
  test::TempDir dir;
  SqliteDb db = OpenWith(
      dir, "CREATE TABLE \"T\" (\"x\" TEXT COLLATE NOCASE, \"说明\" TEXT COLLATE NOCASE);");
  const std::string before =
      "CREATE TABLE \"T\" (\"x\" TEXT COLLATE NOCASE, \"说明\" TEXT COLLATE NOCASE)";
  const std::optional<std::string> preview = PreviewAlters(db.get(), "T", before, kAlters);
  ASSERT_TRUE(preview.has_value());
  for (const auto& columns : kAlters) AddColumns(db.get(), "T", columns);
  SqliteStmt sql = Prepare(db.get(), "SELECT sql FROM sqlite_master WHERE name = 'T'");
  ASSERT_EQ(sqlite3_step(sql.get()), SQLITE_ROW);
  EXPECT_EQ(*preview, reinterpret_cast<const char*>(sqlite3_column_text(sql.get(), 0)));
  EXPECT_NE(preview->find("CHECK (length(\"A\") <= 255)"), std::string::npos) << *preview;
  // An alter that fails gives nothing.
  EXPECT_FALSE(PreviewAlters(db.get(), "T", *preview, kAlters).has_value());
}

}  // namespace
}  // namespace qoru::db
