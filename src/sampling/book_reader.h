// Reads a converted book set for sampling, finding its tables and columns as the checks
// find them (their roles, names and --column overrides, the book table's year and code
// structure): the postings of one side streamed into a SampleBook, or the closing
// balances of the last month, with the chart's accounts, names and aux types.
#pragma once

#include <string>
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

// Reads `part` of the book set in `db` (tables found already). Raises MissingInput, or
// db::EngineError when the database cannot be read.
SampleBook ReadSampleBook(checks::BookDatabase& db, const checks::BookTables& tables, BookPart part,
                          Side side, std::string name);

}  // namespace qoru::sampling
