#include "auxiliary/account_types.h"

#include <unordered_set>

#include "database/sqlite_handle.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"

namespace qoru {

std::optional<AccountTypes> AccountTypes::Load(sqlite3* db) {
  // A column named like the row identity would hide it from the ordering below.
  {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info('KJKM')", -1, &raw, nullptr) !=
        SQLITE_OK)
      return std::nullopt;
    db::SqliteStmt info(raw);
    while (sqlite3_step(raw) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(raw, 0);
      const std::string lower = AsciiLower(text ? reinterpret_cast<const char*>(text) : "");
      if (lower == "rowid" || lower == "_rowid_" || lower == "oid") return std::nullopt;
    }
  }
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "select 科目编号, 辅助核算项 from KJKM order by _rowid_", -1, &raw,
                         nullptr) != SQLITE_OK)
    return std::nullopt;
  db::SqliteStmt rows(raw);
  AccountTypes types;
  std::unordered_set<std::string> distinct;
  int rc;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    const auto* value = sqlite3_column_text(raw, 1);
    std::string text =
        Utf8ToGbk(value == nullptr
                      ? std::string_view()
                      : std::string_view(reinterpret_cast<const char*>(value),
                                         static_cast<std::size_t>(sqlite3_column_bytes(raw, 1))));
    if (distinct.insert(text).second) types.distinct_types_.push_back(text);
    if (sqlite3_column_type(raw, 0) == SQLITE_NULL) continue;  // never equal to a code
    if (sqlite3_column_type(raw, 0) != SQLITE_TEXT) return std::nullopt;
    const std::string_view code(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)),
                                static_cast<std::size_t>(sqlite3_column_bytes(raw, 0)));
    if (code.find('\0') != std::string_view::npos) return std::nullopt;
    // The first row of a code wins.
    types.by_code_.try_emplace(AsciiLower(code), std::move(text));
  }
  if (rc != SQLITE_DONE) return std::nullopt;
  return types;
}

const std::string* AccountTypes::Find(std::string_view code_utf8) const {
  key_.assign(code_utf8);
  for (char& c : key_)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const auto it = by_code_.find(key_);
  return it == by_code_.end() ? nullptr : &it->second;
}

}  // namespace qoru
