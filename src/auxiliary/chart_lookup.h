// The look-up of an account in the chart of accounts KJKM, answered as the statement
//   select 辅助核算项 from KJKM where 科目编号= '<account>'
// answers it: the 辅助核算项 of the first row, in table order, whose 科目编号 equals the
// account, ASCII case ignored (the column's NOCASE collation) and exact otherwise; a
// null 辅助核算项 reads as the empty text. Texts are UTF-8, as the import decoded them,
// so an account matches whatever characters it holds.
//
// The chart is read once. Where memory could answer otherwise than the engine (a code
// or an account holding a NUL, where the collation stops comparing; a 科目编号 without the
// NOCASE collation; a column named like the row identity), the engine itself is asked,
// one prepared statement per look-up.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "database/engine/sqlite_handle.h"

namespace qoru {

class ChartLookup {
 public:
  // nullopt when the look-up statement would fail: no table KJKM, or it lacks 科目编号
  // or 辅助核算项. The connection must outlive the object.
  static std::optional<ChartLookup> Load(sqlite3* db);

  // The 辅助核算项 of `account`, or nullptr when no row of the chart has it. May ask the
  // engine (EngineError); the answer holds until the next call.
  const std::string* Find(std::string_view account);

  // True when Find answers every account without a NUL from memory alone; FindInMemory
  // then gives the same answers and may be called from any thread.
  bool in_memory() const { return memory_; }
  const std::string* FindInMemory(std::string_view account) const;

 private:
  // Hash and equality of codes with ASCII letters folded, as the collation compares.
  struct FoldHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view code) const;
  };
  struct FoldEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  std::unordered_map<std::string, std::string, FoldHash, FoldEqual> by_code_;  // first rows
  bool memory_ = false;    // by_code_ answers every account without a NUL
  db::SqliteStmt lookup_;  // the engine's own look-up, where memory cannot answer
  std::string answer_;     // the engine's last answer
};

}  // namespace qoru
