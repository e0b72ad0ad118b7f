#include "database/sql/literal_parameters.h"

namespace qoru::db {

ParameterizedSql ParameterizeLiterals(const std::vector<SqlToken>& tokens, std::size_t insert_after,
                                      std::string_view insertion) {
  ParameterizedSql out;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (t.kind == TokenKind::kString) {
      out.sql += '?';
      out.params.push_back(StringValue(t));
    } else {
      out.sql += t.text;
    }
    if (i == insert_after) out.sql += insertion;
  }
  return out;
}

}  // namespace qoru::db
