// Literal-to-parameter rewriting: the quoted texts of a statement become "?"
// parameters and their values are set aside, so that statements that differ only in
// their texts (a look-up per row: "... where 科目编号= '1001'", "... = '1002'") share
// one prepared statement. Everything else of the statement is kept as it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "database/sql/sql_tokenizer.h"

namespace qoru::db {

struct ParameterizedSql {
  std::string sql;                  // the statement with "?" for each quoted text
  std::vector<std::string> params;  // the texts' values, in order
};

// `insertion`, when given, is added right after the token at `insert_after`.
ParameterizedSql ParameterizeLiterals(const std::vector<SqlToken>& tokens,
                                      std::size_t insert_after = std::string::npos,
                                      std::string_view insertion = {});

}  // namespace qoru::db
