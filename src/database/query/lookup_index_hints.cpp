#include "database/query/lookup_index_hints.h"

#include "database/sql/jet_translator.h"
#include "text/gbk_text.h"

namespace qoru::db {

void LookupIndexHints::Note(sqlite3* db, const std::string& table, const std::string& column,
                            std::uint64_t times) {
  if (times == 0) return;
  std::uint64_t& seen = seen_[AsciiLower(table) + "\n" + AsciiLower(column)];
  const bool second = seen < 2 && seen + times >= 2;
  seen += times;
  if (!second) return;
  const std::string sql = "CREATE INDEX IF NOT EXISTS " +
                          QuoteName("qoru_lookup_" + table + "_" + column) + " ON " +
                          QuoteName(table) + " (" + QuoteName(column) + ")";
  sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace qoru::db
