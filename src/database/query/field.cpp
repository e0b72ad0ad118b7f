#include "database/query/field.h"

#include <cstdlib>

#include <fmt/format.h>

#include "database/query/query.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::db {

std::string Field::AsString() const {
  return Utf8ToGbk(AsUtf8());
}

std::string Field::AsUtf8() const {
  if (const std::string* v = query_->EditedValue(column_)) return *v;
  sqlite3_stmt* row = query_->CurrentRow();
  if (row == nullptr) return std::string();
  const auto* text = sqlite3_column_text(row, column_);
  if (text == nullptr) return std::string();
  const int len = sqlite3_column_bytes(row, column_);
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(len));
}

bool Field::IsNull() const {
  if (query_->EditedValue(column_) != nullptr) return false;
  sqlite3_stmt* row = query_->CurrentRow();
  if (row == nullptr) return true;
  return sqlite3_column_type(row, column_) == SQLITE_NULL;
}

std::int64_t Field::AsInteger() const {
  sqlite3_stmt* row = query_->CurrentRow();
  if (query_->EditedValue(column_) == nullptr && row != nullptr) {
    switch (sqlite3_column_type(row, column_)) {
      case SQLITE_NULL:
        return 0;
      case SQLITE_INTEGER:
        return sqlite3_column_int64(row, column_);
      case SQLITE_FLOAT:
        return static_cast<std::int64_t>(sqlite3_column_double(row, column_));
      default:
        break;
    }
  }
  const std::string text = AsString();
  const std::string_view trimmed = Trim(text);
  if (trimmed.empty()) return 0;
  char* end = nullptr;
  const std::string s(trimmed);
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (end == nullptr || *end != '\0')
    throw DatasetStateError(fmt::format("字段“{}”的值“{}”不是有效的整数（{}）",
                                        query_->ColumnName(column_), GbkToUtf8(text),
                                        query_->name()));
  return v;
}

void Field::SetAsString(const std::string& value_gbk) {
  query_->Assign(column_, GbkToUtf8(value_gbk));
}

void Field::SetAsUtf8(std::string value_utf8) {
  query_->Assign(column_, std::move(value_utf8));
}

}  // namespace qoru::db
