// Every connection the engine opens is guarded, whatever its file holds and whatever a
// statement built from a book set's text might try; a database read that the tool did
// not write is opened read-only and bounded; a file's name never becomes a URI.
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "test_support/db_fixture.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"

namespace qoru::db {
namespace {

// "ok", or the engine's message for the statements.
std::string RunSql(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string out = rc == SQLITE_OK ? "ok" : error != nullptr ? error : "error";
  sqlite3_free(error);
  return out;
}

// A database file with a table t(v) of one row, and a second file beside it.
struct Files {
  test::TempDir dir;
  std::string db = dir / "GBA.mdb";
  std::string other = dir / "other.db";
  Files() {
    test::WriteFile(db, "");
    test::SqliteExec(db, "create table t(v); insert into t values ('a'); create table log(w)");
    test::WriteFile(other, "");
  }
};

TEST(GuardedConnection, NoStatementReachesWhatABookSetsTextCouldAbuse) {
  Files files;
  const struct {
    const char* what;
    std::string sql;
  } cases[] = {
      {"two-argument fts3_tokenizer", "select fts3_tokenizer('simple', x'4141414141414141')"},
      {"extension loading", "select load_extension('" + files.dir / "evil" + "')"},
      {"writing the schema", "pragma writable_schema=1; update sqlite_schema set sql = 'x'"},
      {"attaching another file", "attach '" + files.other + "' as o"},
      {"a double-quoted word that is no name", "select \"nosuch\" from t"},
      {"a module of the engine's own", "create virtual table f using fts4(x)"},
  };
  for (const bool read_only : {false, true}) {
    SqliteDb db = read_only ? OpenDatabaseReadOnly(files.db) : OpenExistingDatabase(files.db);
    for (const auto& c : cases)
      EXPECT_NE(RunSql(db.get(), c.sql), "ok") << c.what << (read_only ? " (read-only)" : "");
    EXPECT_EQ(RunSql(db.get(), "select v from t"), "ok");
  }
  EXPECT_EQ(test::SqliteRows(files.db, "select sql from sqlite_schema where name = 't'")[0][0],
            "CREATE TABLE t(v)");
  EXPECT_EQ(test::ReadFile(files.other), "") << "nothing was attached and written";
}

TEST(GuardedConnection, TriggersAndViewsInTheFileNeverRun) {
  Files files;
  test::SqliteExec(files.db,
                   "create trigger tr after insert on t begin insert into log values ('fired'); "
                   "end; create view w as select v from t");
  SqliteDb db = OpenExistingDatabase(files.db);
  EXPECT_EQ(RunSql(db.get(), "insert into t values ('b')"), "ok");
  EXPECT_NE(RunSql(db.get(), "select * from w"), "ok");
  db.reset();
  EXPECT_EQ(test::SqliteRows(files.db, "select count(*) from log")[0][0], "0");
}

TEST(GuardedConnection, ReadOnlyRefusesAFileThatHoldsWhatNoConversionMakes) {
  const struct {
    const char* what;
    const char* sql;
    const char* word;  // in the message
  } cases[] = {
      {"a view", "create view JZPZ as select v from t", "视图“JZPZ”"},
      {"a trigger", "create trigger tr after insert on t begin select 1; end", "触发器“tr”"},
      {"a virtual table", "create virtual table f using fts4(x)", "虚拟表“f”"},
  };
  for (const auto& c : cases) {
    Files files;
    test::SqliteExec(files.db, c.sql);
    try {
      OpenDatabaseReadOnly(files.db);
      ADD_FAILURE() << c.what << " was opened";
    } catch (const EngineError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.word), std::string::npos) << c.what << ": " << message;
      EXPECT_NE(message.find(files.db), std::string::npos) << c.what << ": " << message;
    }
  }
}

TEST(GuardedConnection, ReadOnlyWritesNothingAndBoundsValuesAndStatements) {
  Files files;
  // A value four times the bound, made cheaply: zeros cast to text.
  test::SqliteExec(files.db, "insert into t values (cast(zeroblob(" +
                                 std::to_string(4 * kLargestReadValue) + ") as text))");
  const auto before = std::filesystem::last_write_time(files.db);
  SqliteDb db = OpenDatabaseReadOnly(files.db, 1'000'000);
  EXPECT_NE(RunSql(db.get(), "insert into t values ('b')"), "ok");
  EXPECT_NE(RunSql(db.get(), "select v from t where rowid = 2").find("too big"), std::string::npos);
  EXPECT_EQ(RunSql(db.get(), "select v from t where rowid = 1"), "ok");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunSql(db.get(),
                   "with recursive c(x) as (select 1 union all select x + 1 from c) "
                   "select count(*) from c"),
            "interrupted");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // The bound counts one statement: the next one starts afresh.
  EXPECT_EQ(RunSql(db.get(), "select count(*) from t"), "ok");
  db.reset();
  EXPECT_EQ(std::filesystem::last_write_time(files.db), before);
}

TEST(GuardedConnection, AFileNameIsNeverAUri) {
  QORU_SKIP_UNLESS_POSIX("\":\" is no character of a file name on Windows");
  // "file:wk/GBA.mdb" beside "wk/GBA.mdb": only the first is opened and written.
  test::TempDir dir;
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  test::MakeDir("file:wk");
  test::MakeDir("wk");
  for (const char* path : {"file:wk/GBA.mdb", "wk/GBA.mdb"}) {
    test::WriteFile(path, "");
    test::SqliteExec(dir / path, "create table t(v)");
  }
  const std::string untouched = test::ReadFile("wk/GBA.mdb");
  {
    SqliteDb db = OpenExistingDatabase("file:wk/GBA.mdb");
    Exec(db.get(), "insert into t values ('written')");
  }
  const std::string written =
      test::SqliteRows(dir / "file:wk/GBA.mdb", "select count(*) from t")[0][0];
  const std::string other = test::ReadFile("wk/GBA.mdb");
  std::filesystem::current_path(was);
  EXPECT_EQ(written, "1");
  EXPECT_EQ(other, untouched);
}

}  // namespace
}  // namespace qoru::db
