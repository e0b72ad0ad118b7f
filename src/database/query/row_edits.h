// The edit buffer of a result set's current row. In edit mode it holds the values
// assigned to fields. Post writes them to the row's table by its row identity: one
// UPDATE of the assigned columns, prepared once per set of columns, inside the
// connection's write batch. Afterwards the row reads the posted values, because the
// cursor still holds the row as it was read; ForgetPosted, when the cursor moves, drops
// them. A post that SQLite refuses is an EngineError naming the row and the table, and
// leaves the buffer in edit mode.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

namespace qoru::db {

class Connection;

class RowEdits {
 public:
  void Reset(std::size_t columns);  // not editing, nothing assigned or posted
  void Begin();                     // edit mode, nothing assigned yet
  bool editing() const { return editing_; }
  void Assign(int column, std::string value_utf8);
  // The value the row reads for `column` instead of the cursor's: assigned in edit mode,
  // else posted; nullptr for neither.
  const std::string* Value(int column) const;
  void ForgetPosted() { posted_.clear(); }

  // Writes the assigned values to `table` (UTF-8) by the row identity in column 0 of
  // `row`, which stands on the row; `recno` and `names` (the result's column names) are
  // for the UPDATE and its message.
  void Post(Connection& connection, sqlite3_stmt* row, const std::string& table, int recno,
            const std::vector<std::string>& names);

 private:
  bool editing_ = false;
  std::vector<std::optional<std::string>> edits_;   // UTF-8 values assigned in edit mode
  std::vector<std::optional<std::string>> posted_;  // values posted for the current row
};

}  // namespace qoru::db
