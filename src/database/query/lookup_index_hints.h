// Index hints: a table that is looked up again and again by equality on one column (a
// look-up per row of another table) gets an index on that column at the second such
// look-up, so that every further look-up seeks instead of scanning the table. The
// index is named qoru_lookup_<table>_<column> and stays in the database. Creating it is
// best effort: a table or column that does not exist fails the look-up itself.
// Look-ups are counted per table and column (ASCII case ignored) until Clear.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <unordered_map>

namespace qoru::db {

class LookupIndexHints {
 public:
  // Counts `times` look-ups of `table` by `column` (UTF-8 names).
  void Note(sqlite3* db, const std::string& table, const std::string& column,
            std::uint64_t times = 1);
  void Clear() { seen_.clear(); }

 private:
  std::unordered_map<std::string, std::uint64_t> seen_;  // "table\ncolumn" -> look-ups
};

}  // namespace qoru::db
