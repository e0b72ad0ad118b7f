// The book table (电子账簿, usually DZZB.txt): one row that says which year the book
// set keeps and how its account codes are built (科目结构 such as 4-2-2). It is found
// through its section in the format description; the conversion does not import it,
// so its rows are read from the staged file beside the description (GB 18030 text,
// tab-separated), or from a database table of its name where one exists. Its first
// row counts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/tables/book_database.h"
#include "checks/tables/column_roles.h"

namespace qoru::checks {

struct BookFacts {
  TableRoles table{BookTable::kBook, std::string()};  // absent, with the reason, when none
  std::optional<int> year;                            // the first row's readable year
  std::string no_year;                                // why there is none
  std::vector<int> structure;                         // the first row's code structure; empty: none
  std::string structure_text;                         // as written
};

// Reads the book table that the description at `description_path` (GBK lines) names.
BookFacts ReadBookFacts(BookDatabase& db, const std::string& description_path,
                        const std::vector<ColumnOverride>& overrides);

// The book facts of a first row given as the book table's columns and its values
// (UTF-8); the part of ReadBookFacts that does not touch files.
BookFacts BookFactsOf(const std::string& table_name, const std::vector<std::string>& columns,
                      const std::optional<std::vector<std::string>>& first_row,
                      const std::vector<ColumnOverride>& overrides);

// The book set's year, one rule for the checks and screening: the book table's year,
// else the balances' (BalanceYear: `balances_year`, or `balances_why` saying why there
// is none). nullopt with both reasons in `why` when neither gives one.
std::optional<int> BookSetYear(const BookFacts& book, std::optional<int> balances_year,
                               const std::string& balances_why, std::string* why);

}  // namespace qoru::checks
