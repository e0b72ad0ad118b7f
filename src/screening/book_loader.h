// Reads a converted book set for screening: finds the postings, balances, chart and
// book tables through the format description, the posting columns by role (the
// checks' roles and names, with summary, preparer, approver and poster), the book-set
// year and code structure, and streams the postings into a ScreenBook.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "errors/errors.h"
#include "screening/screen_book.h"

namespace qoru::screening {

// A column named by the user for a posting role: "postings.summary=摘要".
struct PostingColumnOverride {
  std::string role;
  std::string column;
};

// Reads "postings.ROLE=NAME" (TABLE may also be 记账凭证). nullopt with the reason in
// `error` when the text is not of that form or names a role screening does not know.
std::optional<PostingColumnOverride> ParsePostingColumn(std::string_view text, std::string* error);

// The posting roles, in order, with their column names in order of preference.
const std::vector<std::pair<std::string, std::vector<std::string>>>& PostingRoleNames();

// Loads the book set of the database at `database` with its format description
// `description`. Raises db::EngineError when the database cannot be read, Failure when
// the description cannot.
ScreenBook LoadScreenBook(const std::string& database, const std::string& description,
                          const std::vector<PostingColumnOverride>& overrides,
                          std::string book_set_name);

}  // namespace qoru::screening
