// The 辅助核算项 of the accounts of the chart KJKM, read once for a pass over JZPZ or
// KMYE instead of one look-up per row. The look-up that it stands in for,
//   select 辅助核算项 from KJKM where 科目编号= '<code>'
// answers with the 辅助核算项 of the first row, in stored order, whose 科目编号 equals
// the code regardless of ASCII case (the column's collation), and with nothing when no
// row matches; a null 辅助核算项 reads as the empty text.
//
// Load returns nullopt when the chart cannot answer the same way: when the look-up
// itself would fail (no table KJKM, or it lacks one of the two columns), or when a code
// of the chart is not text or holds a NUL, which the collation compares otherwise.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qoru {

class AccountTypes {
 public:
  static std::optional<AccountTypes> Load(sqlite3* db);

  // The 辅助核算项 (GBK) of the code that the look-up binds (`code_utf8`, without a NUL);
  // nullptr when the chart has no row of that code.
  const std::string* Find(std::string_view code_utf8) const;

  // Every 辅助核算项 (GBK) that a row of the chart holds, each once, in stored order: all
  // that a look-up can answer.
  const std::vector<std::string>& distinct_types() const { return distinct_types_; }

 private:
  std::unordered_map<std::string, std::string> by_code_;  // ASCII-lowered code -> 辅助核算项
  std::vector<std::string> distinct_types_;               // see distinct_types()
  mutable std::string key_;                               // scratch for Find
};

}  // namespace qoru
