// The scans of a table: read ahead on threads of their own (two over blocks of rowids,
// one in WAL mode), the rows come in stored order with the same texts (nulls, empty texts, numbers
// read as text) as the plain scan gives them, over batch boundaries; a failure while the rows are
// taken stops the reading and is raised.
#include "checks/tables/book_database.h"

#include <gtest/gtest.h>

#include <any>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support/db_fixture.h"

namespace qoru::checks {
namespace {

struct ScannedRow {
  std::int64_t number;
  std::vector<std::string> texts;
  std::vector<bool> nulls;
  bool operator==(const ScannedRow&) const = default;
};

using ScanFn = void (BookDatabase::*)(std::string_view, const std::vector<std::string>&,
                                      const std::function<void(std::int64_t, const ScanRow&)>&);

std::vector<ScannedRow> ScanAll(BookDatabase& db, ScanFn scan, const std::string& table,
                                const std::vector<std::string>& columns) {
  std::vector<ScannedRow> rows;
  (db.*scan)(table, columns, [&](std::int64_t number, const ScanRow& r) {
    ScannedRow row{number, {}, {}};
    for (int i = 0; i < static_cast<int>(std::max<std::size_t>(columns.size(), 1)); ++i) {
      row.texts.emplace_back(r.Text(i));
      row.nulls.push_back(r.IsNull(i));
    }
    rows.push_back(std::move(row));
  });
  return rows;
}

TEST(BookDatabase, ScanAheadGivesTheRowsOfScan) {
  test::TempDir dir;
  const std::string path = dir / "GBA.mdb";
  // Rows past two batches and a few; rowids with gaps (rows deleted), so that the
  // numbers count the rows, not the rowids.
  std::string sql = "CREATE TABLE t (a TEXT, b TEXT, c INTEGER); BEGIN;";
  for (int i = 1; i <= 9000; ++i)
    sql += "INSERT INTO t VALUES ('" + std::to_string(i) + "', " +
           (i % 3 == 0   ? "NULL"
            : i % 3 == 1 ? "''"
                         : "'记-" + std::to_string(i) + "'") +
           ", " + std::to_string(i * 7) + ");";
  // The same rows with rowids spread over several blocks of rowids, which two threads
  // read, and a block left empty by the gaps.
  sql +=
      "DELETE FROM t WHERE rowid % 1000 = 5; COMMIT; CREATE TABLE empty (a TEXT);"
      "CREATE TABLE spread (a TEXT, b TEXT, c INTEGER);"
      "INSERT INTO spread (rowid, a, b, c) SELECT rowid * 11 + (rowid > 4000) * 100000, a, b, c"
      " FROM t ORDER BY rowid DESC;";
  test::WriteFile(path, "");  // an empty file is an empty database
  test::SqliteExec(path, sql);
  // In WAL mode one thread reads every block.
  const std::string wal = dir / "wal.mdb";
  std::filesystem::copy_file(path, wal);
  test::SqliteExec(wal, "PRAGMA journal_mode=WAL;");

  const struct {
    const char* table;
    std::vector<std::string> columns;
    std::size_t rows;
  } cases[] = {
      {"t", {"\"a\"", "\"b\"", "\"c\""}, 8991},
      {"t", {"\"c\""}, 8991},
      {"t", {}, 8991},  // no column: one null value a row
      {"empty", {"\"a\""}, 0},
      {"spread", {"\"a\"", "\"b\"", "\"c\""}, 8991},
      {"spread", {"rowid", "\"c\""}, 8991},
      {"spread", {}, 8991},
  };
  for (const std::string& file : {path, wal}) {
    BookDatabase db(file);
    for (const auto& c : cases) {
      const std::vector<ScannedRow> plain = ScanAll(db, &BookDatabase::Scan, c.table, c.columns);
      const std::vector<ScannedRow> ahead =
          ScanAll(db, &BookDatabase::ScanAhead, c.table, c.columns);
      ASSERT_EQ(plain.size(), c.rows) << c.table;
      EXPECT_TRUE(ahead == plain) << file << " " << c.table << " " << c.columns.size();
    }
    // Each row read ahead has its rowid at hand.
    std::size_t agreeing = 0;
    db.ScanAhead("spread", {"rowid"}, [&](std::int64_t, const ScanRow& r) {
      agreeing += std::to_string(r.Rowid()) == r.Text(0);
    });
    EXPECT_EQ(agreeing, 8991U) << file;
    // Read in a transaction of the caller's, which the scan leaves open.
    db.BeginRead();
    EXPECT_EQ(ScanAll(db, &BookDatabase::ScanAhead, "spread", {"\"a\""}).size(), 8991U);
    EXPECT_EQ(db.Texts("SELECT count(*) FROM spread"), std::vector<std::string>{"8991"});
    db.EndRead();
  }
}

TEST(BookDatabase, ScanAheadStopsAndRaisesWhatTheRowsRaise) {
  test::TempDir dir;
  const std::string path = dir / "GBA.mdb";
  std::string sql = "CREATE TABLE t (a TEXT); BEGIN;";
  for (int i = 1; i <= 50000; ++i) sql += "INSERT INTO t VALUES ('x');";
  test::WriteFile(path, "");
  test::SqliteExec(path, sql + "COMMIT;");

  BookDatabase db(path);
  std::int64_t seen = 0;
  EXPECT_THROW(db.ScanAhead("t", {"\"a\""},
                            [&](std::int64_t row, const ScanRow&) {
                              seen = row;
                              if (row == 5000) throw std::runtime_error("stop");
                            }),
               std::runtime_error);
  EXPECT_EQ(seen, 5000);
  // The connection serves again once the reading thread has stopped.
  EXPECT_EQ(db.Texts("SELECT count(*) FROM t"), std::vector<std::string>{"50000"});
}

TEST(BookDatabase, ScanAheadBatchesHandsOnWhatTheReadersPrepared) {
  // Enough rows for many blocks of rowids, so that both readers prepare batches; texts
  // of up to a few hundred bytes, so that a batch's buffer grows several times.
  test::TempDir dir;
  const std::string path = dir / "GBA.mdb";
  const auto text = [](std::int64_t i) {
    return std::string(static_cast<std::size_t>(i % 7 == 0 ? i % 397 : 0), 'x') + std::to_string(i);
  };
  std::string sql = "CREATE TABLE t (a TEXT); BEGIN;";
  for (int i = 1; i <= 100000; ++i) sql += "INSERT INTO t VALUES ('" + text(i) + "');";
  test::WriteFile(path, "");
  test::SqliteExec(path, sql + "COMMIT;");

  BookDatabase db(path);
  using Lengths = std::vector<std::size_t>;
  std::int64_t next = 1;
  std::size_t mismatches = 0;
  db.ScanAheadBatches(
      "t", {"\"a\""},
      [](TextBatch& batch) {
        Lengths& lengths = batch.prepared().emplace<Lengths>();
        for (std::size_t r = 0; r < batch.size(); ++r) lengths.push_back(batch.Text(r, 0).size());
      },
      [&](std::int64_t first, const TextBatch& batch) {
        EXPECT_EQ(first, next);
        const Lengths& lengths = std::any_cast<const Lengths&>(batch.prepared());
        ASSERT_EQ(lengths.size(), batch.size());
        for (std::size_t r = 0; r < batch.size(); ++r)
          mismatches += lengths[r] != text(first + static_cast<std::int64_t>(r)).size() ||
                        batch.Text(r, 0) != text(first + static_cast<std::int64_t>(r));
        next += static_cast<std::int64_t>(batch.size());
      });
  EXPECT_EQ(next, 100001);
  EXPECT_EQ(mismatches, 0U);

  // What a reader's preparing raises stops the scan and is raised here.
  EXPECT_THROW(db.ScanAheadBatches(
                   "t", {"\"a\""},
                   [&](TextBatch& batch) {
                     for (std::size_t r = 0; r < batch.size(); ++r)
                       if (batch.Text(r, 0) == text(50001)) throw std::runtime_error("unreadable");
                   },
                   [](std::int64_t, const TextBatch&) {}),
               std::runtime_error);
  EXPECT_EQ(db.Texts("SELECT count(*) FROM t"), std::vector<std::string>{"100000"});
}

}  // namespace
}  // namespace qoru::checks
