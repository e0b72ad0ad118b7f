// Finds the tables the checks read by their sections in the format description, as the
// conversion names them: the chart of accounts (会计科目, the file of the last such
// section), the balances (科目余额及发生额) and the postings (记账凭证) (the first
// section of each), each table named after its file without the extension, and the
// book table (电子账簿) with its year and code structure. Their columns are then found
// by role.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/tables/book_database.h"
#include "checks/tables/book_table.h"
#include "checks/tables/column_roles.h"
#include "errors/errors.h"

namespace qoru::checks {

// The format description cannot be found.
class MissingDescription : public Failure {
 public:
  using Failure::Failure;
};

struct BookTables {
  TableRoles postings;
  TableRoles balances;
  TableRoles chart;
  BookFacts book;
};

// Reads the format description at `description_path` (GBK bytes) and finds its tables
// in `db`. A table that the description lacks or the database does not hold is absent,
// with the reason. Raises MissingDescription when there is no such file, FileError
// when it cannot be read.
BookTables FindBookTables(BookDatabase& db, const std::string& description_path,
                          const std::vector<ColumnOverride>& overrides);

// The book set's year by BookSetYear's rule, the balances' year read from the distinct
// values of their year column (BalanceYear); nullopt with the reasons in `why`.
std::optional<int> ReadBookSetYear(BookDatabase& db, const BookTables& tables, std::string* why);

}  // namespace qoru::checks
