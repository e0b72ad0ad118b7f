// A field of a query's current row, by position in the result. It reads the value
// that the row shows: assigned in edit mode, or posted, or else the cursor's; as text
// (GBK; null reads as empty text) or as integer (null reads 0). A text that is not a
// whole number, read as integer, is a DatasetStateError naming the field.
#pragma once

#include <cstdint>
#include <string>

namespace qoru::db {

class Query;

class Field {
 public:
  Field(Query& query, int column) : query_(&query), column_(column) {}
  std::string AsString() const;    // GBK; null reads as empty text
  std::int64_t AsInteger() const;  // null reads 0
  bool IsNull() const;
  void SetAsString(const std::string& value_gbk);  // in edit mode only
  // The text as the database holds it (UTF-8), without a conversion; null reads empty.
  std::string AsUtf8() const;
  void SetAsUtf8(std::string value_utf8);  // in edit mode only

 private:
  Query* query_;
  int column_;
};

}  // namespace qoru::db
