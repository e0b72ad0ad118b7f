// The editability guess. The result of a plain single-table select,
//   select ... from T [where ... | order ...]
// without distinct, a nested select, a join, group by or union, maps each row to one row
// of T, so it can be edited and posted back by row identity, which the query selects as
// a hidden first column. A select of the form "... from T where C = 'text'" is moreover a
// look-up of T by the one key C, which the look-up index hints count.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "database/sql/sql_tokenizer.h"

namespace qoru::db {

struct EditableSelect {
  std::string table;                             // T (unquoted); empty: not editable
  std::size_t select_token = std::string::npos;  // index of the SELECT keyword in the tokens
  std::string key_column;                        // C of a one-key look-up, else empty
};

EditableSelect GuessEditable(const std::vector<SqlToken>& tokens);

}  // namespace qoru::db
