// A table's rows with their rowids, read on a thread of their own and handed to the
// caller's thread in batches (the tables' BookDatabase::ScanAhead), so that SQLite's
// reading and the building from the rows go on at once. The reading thread uses the
// caller's connection while the caller builds: the caller must not use it until the
// stream returns. Failures of either side end both and are raised on the caller's
// thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/tables/book_database.h"

namespace qoru::sampling {

// Calls `each` on this thread with the rowid and the texts of `expressions` (null reads
// as empty) for every row of `table` in rowid order, numbered from 1.
void StreamRows(checks::BookDatabase& db, std::string_view table,
                const std::vector<std::string>& expressions,
                const std::function<void(std::int64_t row, std::int64_t rowid,
                                         const std::string_view* values)>& each);

}  // namespace qoru::sampling
