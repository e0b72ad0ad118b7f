// The rule by which a row of the voucher table JZPZ or the balance table KMYE has its
// auxiliary codes spread into columns, written once for every way of applying it: the
// pass that spreads rows while the table is imported, the walk through the queries,
// and the inspection that predicts a run.
//
// A row's 辅助核算组, trimmed, holds its codes joined by "/"; a blank group carries no
// codes and is not looked up. Otherwise its account (科目编号, trimmed) is looked up in
// the chart (chart_lookup.h), whose 辅助核算项, trimmed, names the item types joined by
// "/". Code k goes to the column that type k names (ASCII case ignored), untrimmed; a
// later code for the same column wins. The row fails, and nothing of it is written,
// when a code has no type, when a type names no column, or when a value the row would
// leave in an added varchar(255) column is longer than 255 characters.
//
// Everything here is text as the import decoded it (UTF-8): nothing is converted, so a
// value comes back exactly as it went in.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "errors/errors.h"
#include "text/string_list.h"

namespace qoru {

// The width of the auxiliary columns that a pass adds.
inline constexpr std::size_t kAuxCodeChars = 255;

// A row whose auxiliary codes cannot be spread: a code without a type, or a type that
// is not a column. The message names the table, the row, the account and the type.
class AuxiliaryError : public Failure {
 public:
  using Failure::Failure;
};

// "\"A\" varchar(255),\"B\" varchar(255)" for the names A and B (quoted by QuoteName);
// empty for no name.
std::string BuildAuxColumnList(const StringList& names);

// The pieces of `text` between the occurrences of `separator`, neither trimmed nor
// dropped; an empty list for an empty text or an empty separator.
StringList SplitText(std::string_view text, std::string_view separator);

// The trimmed group of a row; empty when the row carries no codes.
std::string_view AuxGroup(std::string_view group);
// The trimmed account of a row, as it is looked up.
std::string_view AuxAccount(std::string_view account);

// A column of the table that a pass writes to.
struct AuxColumn {
  std::string name;       // as the table declares it (UTF-8)
  std::size_t limit = 0;  // most characters it accepts (a CHECK on its length); 0: any
};

// The columns of the pass's table, as a row's type names find them.
class AuxTable {
 public:
  AuxTable(std::string table, std::vector<AuxColumn> columns);
  const std::string& table() const { return table_; }  // for messages: "JZPZ" or "KMYE"
  const std::vector<AuxColumn>& columns() const { return columns_; }
  // The column that `type` names, ASCII case ignored (the first such); -1 for none.
  int Find(std::string_view type) const;

 private:
  std::string table_;
  std::vector<AuxColumn> columns_;
  std::unordered_map<std::string, int> by_name_;  // ASCII-lowered name -> column
};

// What the rule makes of one row that carries codes.
struct AuxOutcome {
  enum class Failure { kNone, kCodeWithoutType, kTypeNotAColumn, kCodeTooLong };
  struct Cell {
    std::size_t column;     // into AuxTable::columns()
    std::string_view code;  // a piece of the group
  };

  Failure failure = Failure::kNone;
  std::vector<Cell> cells;   // the values to write, in order; a later one for a column wins
  std::size_t codes = 0;     // codes in the group
  std::size_t types = 0;     // types the account names
  std::size_t position = 0;  // the failing code, from 0
  std::string_view code;     // its text
  std::string_view type;     // kTypeNotAColumn: the type name
  std::size_t column = 0;    // kCodeTooLong: the column that refuses it
};

// Applies the rule row by row; remembers the accounts' type lists it has split.
class AuxRule {
 public:
  explicit AuxRule(const AuxTable& table) : table_(table) {}
  // `types`: the account's 辅助核算项 as read, empty when the chart has no row for the
  // account; `group`: the row's group as AuxGroup leaves it (not empty). The outcome
  // points into `group` and into the rule, and holds until the next call.
  const AuxOutcome& Apply(std::string_view types, std::string_view group);

 private:
  struct Types {
    std::vector<std::string> names;  // the pieces of the trimmed 辅助核算项
    std::vector<int> columns;        // per name: its column, or -1
  };
  const Types& Split(std::string_view types);

  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };

  const AuxTable& table_;
  std::unordered_map<std::string, Types, TextHash, std::equal_to<>> split_;  // 辅助核算项 -> types
  std::vector<std::string_view> codes_;
  std::vector<int> last_;  // per column: its cell in outcome_.cells, or -1
  AuxOutcome outcome_;
};

// The message of a failing outcome for row `recno` (from 1) of the pass's table.
std::string AuxFailureMessage(const AuxTable& table, long long recno, std::string_view account,
                              std::string_view group, const AuxOutcome& outcome);

// Raises a failure with its message as the run meets it: AuxiliaryError for a code
// without a type or a type that is not a column; db::EngineError, the engine's refusal
// of the row, for a code too long for its column.
[[noreturn]] void ThrowAuxFailure(AuxOutcome::Failure failure, const std::string& message);

}  // namespace qoru
