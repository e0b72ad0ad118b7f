// The queued rows as a virtual table that one INSERT ... SELECT reads: a statement
// that fails part-way leaves the reader to be cancelled, and a length that does not
// fit SQLite's int is refused by SQLite, never handed over as a negative length.
#include "database/import/queued_rows_table.h"

#include <sqlite3.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "database/engine/sqlite_handle.h"

namespace qoru::db {
namespace {

class QueuedRowsTableTest : public ::testing::Test {
 protected:
  QueuedRowsTableTest() {
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    db_.reset(raw);
  }
  int Step(const std::string& sql) {
    SqliteStmt stmt = Prepare(db_.get(), sql);
    return sqlite3_step(stmt.get());
  }
  std::string Error() const { return sqlite3_errmsg(db_.get()); }

  SqliteDb db_;
};

TEST_F(QueuedRowsTableTest, InsertThatFailsPartWayLeavesAReaderThatCancelFrees) {
  Exec(db_.get(), "CREATE TABLE t (v TEXT UNIQUE)");
  RowBatchQueue queue(1);
  QueuedRowsTable rows(queue, 1);
  rows.Register(db_.get(), "queued");
  std::thread reader([&] {
    // Endless rows, the fifth one a duplicate: the insert fails there while the reader
    // waits for room.
    for (int i = 0;; ++i) {
      std::unique_ptr<RowBatch> batch = queue.Empty();
      const std::size_t start = batch->text.size();
      batch->text += std::to_string(i == 4 ? 0 : i);
      batch->AddText(start);
      batch->lines.push_back(static_cast<std::uint64_t>(i + 1));
      if (!queue.Push(std::move(batch))) break;
    }
    queue.Finish(nullptr);
  });
  EXPECT_EQ(Step("INSERT INTO t SELECT * FROM queued"), SQLITE_CONSTRAINT);
  EXPECT_EQ(rows.line(), 5u) << "the row that failed";
  queue.Cancel();
  reader.join();  // returns: the cancelled reader stopped
}

TEST_F(QueuedRowsTableTest, LengthOf2GiBIsRefusedBySqliteNotPassedAsNegative) {
  Exec(db_.get(), "CREATE TABLE t (v TEXT)");
  RowBatchQueue queue(2);
  QueuedRowsTable rows(queue, 1);
  rows.Register(db_.get(), "queued");
  // A batch whose one value claims 2 GiB over a text of one byte: what a batch that
  // bypassed its own bound would hold. SQLite must be told "too big", and read nothing.
  auto batch = std::make_unique<RowBatch>();
  batch->text = "x";
  batch->starts.push_back(0);
  batch->lengths.push_back(std::size_t{1} << 31);
  batch->lines.push_back(1);
  queue.Push(std::move(batch));
  queue.Finish(nullptr);
  EXPECT_EQ(Step("INSERT INTO t SELECT * FROM queued"), SQLITE_TOOBIG);
  EXPECT_EQ(Error(), "string or blob too big");
}

TEST_F(QueuedRowsTableTest, ReaderFailureEndsTheRowsAndStaysForTheCaller) {
  Exec(db_.get(), "CREATE TABLE t (v TEXT)");
  RowBatchQueue queue(2);
  QueuedRowsTable rows(queue, 1);
  rows.Register(db_.get(), "queued");
  std::thread reader([&] {
    auto batch = queue.Empty();
    batch->text = "first";
    batch->AddText(0);
    batch->lines.push_back(1);
    queue.Push(std::move(batch));
    queue.Finish(std::make_exception_ptr(std::runtime_error("read error")));
  });
  EXPECT_EQ(Step("INSERT INTO t SELECT * FROM queued"), SQLITE_DONE);
  reader.join();
  EXPECT_EQ(sqlite3_changes(db_.get()), 1);
  EXPECT_NE(queue.failure(), nullptr) << "the import rolls back on it";
}

}  // namespace
}  // namespace qoru::db
