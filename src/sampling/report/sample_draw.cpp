#include "sampling/report/sample_draw.h"

#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "checks/values/book_text.h"
#include "sampling/book_reader.h"
#include "sampling/population.h"

namespace qoru::sampling {

DrawnSample DrawFromDatabase(const std::string& database, const std::string& description,
                             const std::vector<checks::ColumnOverride>& overrides,
                             const SampleRequest& request, std::string name) {
  checks::BookDatabase db(database);
  const checks::BookTables tables = checks::FindBookTables(db, description, overrides);
  db.BeginRead();
  struct EndRead {
    checks::BookDatabase& db;
    ~EndRead() { db.EndRead(); }
  } end_read{db};
  DrawnSample d;
  const BookPart part =
      request.population.unit == Unit::kBalance ? BookPart::kBalances : BookPart::kPostings;
  // A sample of postings keeps only the postings of its accounts above 0.
  PostingFilter filter;
  for (const std::string& code : request.population.accounts)
    filter.account_keys.push_back(checks::AccountKey(code));
  d.book = ReadSampleBook(db, tables, part, request.population.side, std::move(name),
                          request.population.unit == Unit::kPosting ? &filter : nullptr);
  d.sample = DrawSample(BuildPopulation(d.book, request.population), request);
  d.items = ListSample(db, tables, d.book, d.sample);
  return d;
}

}  // namespace qoru::sampling
