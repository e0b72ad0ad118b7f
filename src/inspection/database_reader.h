// A read-only look into an SQLite database for the command-line host: the columns of
// a table, numbers and rows of a query, values as UTF-8 texts. The database is opened
// as db::OpenDatabaseReadOnly opens one. A statement that fails yields nothing (no
// columns, no rows, -1 for a number); it never throws.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qoru::inspection {

class DatabaseReader {
 public:
  using Row = std::vector<std::optional<std::string>>;  // null: nullopt

  // Opens `path` read-only; ok() says whether that succeeded.
  explicit DatabaseReader(const std::string& path);
  ~DatabaseReader();
  DatabaseReader(const DatabaseReader&) = delete;
  DatabaseReader& operator=(const DatabaseReader&) = delete;
  bool ok() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  // The table's columns in order; nullopt when there is no such table (a view or a
  // virtual table of that name is none).
  std::optional<std::vector<std::string>> Columns(const std::string& table);
  // The first value of the first row of `sql` as a number; -1 when the query fails.
  std::int64_t Number(const std::string& sql);
  // Each row of `sql`, with `params` bound to ?1, ?2 ...; false when the query fails.
  bool Rows(const std::string& sql, const std::vector<std::string>& params,
            const std::function<void(const Row&)>& each);

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace qoru::inspection
