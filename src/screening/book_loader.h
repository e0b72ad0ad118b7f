// Reads a converted book set for screening: finds the postings, balances, chart and
// book tables as the checks find them (their roles, names and overrides, the book
// table's year and code structure), adds the posting roles of screening (summary,
// preparer, approver, poster), and streams the postings into a ScreenBook.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/tables/column_roles.h"
#include "screening/screen_book.h"

namespace qoru::screening {

// A column named by the user for a role of screening's own: "postings.summary=摘要".
struct PostingColumnOverride {
  std::string role;
  std::string column;
};

// The --column values: for the checks' roles and for screening's own.
struct ColumnOverrides {
  std::vector<checks::ColumnOverride> checks;
  std::vector<PostingColumnOverride> screening;
};

// Reads "TABLE.ROLE=NAME" into `out`; false with the reason in `error` when it is not a
// role of the checks or of screening.
bool AddColumnOverride(std::string_view text, ColumnOverrides& out, std::string* error);

// Screening's own posting roles with their column names in order of preference.
const std::vector<std::pair<std::string, std::vector<std::string>>>& ScreeningRoleNames();

// Loads the book set of the database at `database` with its format description
// `description`. Raises db::EngineError when the database cannot be read, Failure when
// the description cannot.
ScreenBook LoadScreenBook(const std::string& database, const std::string& description,
                          const ColumnOverrides& overrides, std::string book_set_name);

// Whether `book`, loaded from what a conversion left after it stopped (`failure`, its
// reason, after the stages `stages` as the trace hook named them), may still be screened:
// only a book set without a balance table whose postings were imported whole (the
// conversion went past the voucher pass). The note that says so, or empty when it may not.
std::string ScreenableAfterFailure(const ScreenBook& book, const std::vector<std::string>& stages,
                                   const std::string& failure);

}  // namespace qoru::screening
