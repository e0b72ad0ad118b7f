#include "auxiliary/chart_lookup.h"

#include "database/engine/engine_error.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view ColumnText(sqlite3_stmt* stmt, int i) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
  return text == nullptr
             ? std::string_view()
             : std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
}

// True when memory answers as the engine does: 科目编号 compares with NOCASE, and the
// row identity is not hidden by a column of that name.
bool MemoryAnswersExactly(sqlite3* db) {
  const char* collation = nullptr;
  if (sqlite3_table_column_metadata(db, "main", "KJKM", "科目编号", nullptr, &collation, nullptr,
                                    nullptr, nullptr) != SQLITE_OK ||
      collation == nullptr || AsciiLower(collation) != "nocase")
    return false;
  db::SqliteStmt info = db::Prepare(db, "SELECT name FROM pragma_table_info('KJKM')");
  while (sqlite3_step(info.get()) == SQLITE_ROW) {
    const std::string name = AsciiLower(ColumnText(info.get(), 0));
    if (name == "rowid" || name == "_rowid_" || name == "oid") return false;
  }
  return true;
}

}  // namespace

std::size_t ChartLookup::FoldHash::operator()(std::string_view code) const {
  std::size_t h = 1469598103934665603ull;
  for (const char c : code) {
    h ^= static_cast<unsigned char>(Fold(c));
    h *= 1099511628211ull;
  }
  return h;
}

bool ChartLookup::FoldEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::optional<ChartLookup> ChartLookup::Load(sqlite3* db) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "select 辅助核算项 from KJKM where 科目编号= ?1", -1, &raw, nullptr) !=
      SQLITE_OK)
    return std::nullopt;
  ChartLookup chart;
  chart.lookup_.reset(raw);
  if (!MemoryAnswersExactly(db)) return chart;
  db::SqliteStmt rows = db::Prepare(db, "select 科目编号, 辅助核算项 from KJKM order by _rowid_");
  int rc;
  while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
    if (sqlite3_column_type(rows.get(), 0) == SQLITE_NULL) continue;  // equals no account
    if (sqlite3_column_type(rows.get(), 0) != SQLITE_TEXT) return chart;
    const std::string_view code = ColumnText(rows.get(), 0);
    if (code.find('\0') != std::string_view::npos) return chart;
    chart.by_code_.try_emplace(std::string(code), std::string(ColumnText(rows.get(), 1)));
  }
  if (rc != SQLITE_DONE) db::ThrowEngineError(db);
  chart.memory_ = true;
  return chart;
}

const std::string* ChartLookup::FindInMemory(std::string_view account) const {
  const auto it = by_code_.find(account);
  return it == by_code_.end() ? nullptr : &it->second;
}

const std::string* ChartLookup::Find(std::string_view account) {
  if (memory_ && account.find('\0') == std::string_view::npos) return FindInMemory(account);
  sqlite3_stmt* stmt = lookup_.get();
  sqlite3_bind_text(stmt, 1, account.data(), static_cast<int>(account.size()), SQLITE_STATIC);
  const int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    const std::string message = sqlite3_errmsg(sqlite3_db_handle(stmt));
    sqlite3_reset(stmt);
    throw db::EngineError(message);
  }
  if (rc == SQLITE_ROW) answer_.assign(ColumnText(stmt, 0));
  sqlite3_reset(stmt);
  return rc == SQLITE_ROW ? &answer_ : nullptr;
}

}  // namespace qoru
