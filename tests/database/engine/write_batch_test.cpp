// The batch of posted rows keeps its transaction until COMMIT has succeeded: a commit
// refused because another program reads the file fails loudly and can be retried, and
// the rows are not lost.
#include "database/engine/write_batch.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"

namespace qoru::db {
namespace {

TEST(WriteBatch, CommitRefusedForAReaderKeepsTheBatchForTheNextCommit) {
  test::TempDir dir;
  const std::string path = dir / "GBA.mdb";
  test::WriteFile(path, "");
  test::SqliteExec(path, "create table t(v)");
  SqliteDb db = OpenExistingDatabase(path);
  sqlite3_busy_timeout(db.get(), 0);  // no waiting in this test
  WriteBatch batch;
  batch.Begin(db.get());
  Exec(db.get(), "insert into t values ('posted')");
  batch.RowWritten(db.get());

  // Another program reads the file; the commit needs it alone and is refused.
  sqlite3* reader = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &reader), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM t", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_THROW(batch.Commit(db.get()), EngineBusyError);
  EXPECT_EQ(sqlite3_get_autocommit(db.get()), 0) << "the transaction is still open";

  sqlite3_exec(reader, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(reader);
  batch.Commit(db.get());  // the retry commits what was posted
  EXPECT_NE(sqlite3_get_autocommit(db.get()), 0);
  db.reset();
  EXPECT_EQ(test::SqliteRows(path, "select v from t"), (test::Rows{{"posted"}}));
}

TEST(WriteBatch, FinishReportsACommitThatFailed) {
  test::TempDir dir;
  const std::string path = dir / "GBA.mdb";
  test::WriteFile(path, "");
  test::SqliteExec(path, "create table t(v)");
  SqliteDb db = OpenExistingDatabase(path);
  sqlite3_busy_timeout(db.get(), 0);
  WriteBatch batch;
  batch.Begin(db.get());
  Exec(db.get(), "insert into t values ('posted')");
  sqlite3* reader = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &reader), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM t", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(batch.Finish(db.get()), "database is locked");
  sqlite3_exec(reader, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(reader);
}

}  // namespace
}  // namespace qoru::db
