// Reads a converted book set for sampling, finding its tables and columns as the checks
// find them (their roles, names and --column overrides, the book table's year and code
// structure): the postings of one side streamed into a SampleBook, or the closing
// balances of the last month, with the chart's accounts, names and aux types.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "errors/errors.h"
#include "sampling/sample_book.h"

namespace qoru::sampling {

// The book set lacks what the sample needs (a table, a column); the message says which
// and what to do.
class MissingInput : public Failure {
 public:
  using Failure::Failure;
};

// Which part of the book set to read.
enum class BookPart { kPostings, kBalances };

// For a sample of postings, only its postings need be kept: those of accounts whose keys
// begin with one of `account_keys` (all when it is empty) with an amount above 0; the
// others of those accounts are counted (SampleBook::left_out). Vouchers are formed from
// every posting all the same.
struct PostingFilter {
  std::vector<std::string> account_keys;
};

// Reads `part` of the book set in `db` (tables found already), the postings through
// `filter` when one is given. Raises MissingInput, or db::EngineError when the database
// cannot be read.
SampleBook ReadSampleBook(checks::BookDatabase& db, const checks::BookTables& tables, BookPart part,
                          Side side, std::string name, const PostingFilter* filter = nullptr);

}  // namespace qoru::sampling
