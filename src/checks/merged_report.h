// The report of `check` over many book sets, merged from what each book set's run reported
// (book_sets/many_book_sets.h): each report under its name, then the errors and warnings of
// all and a table of each book set's with the time of its run; or one JSON object
// {"book_sets": [...], "errors", "warnings", "files_written"}. The exit code is the worst
// of the runs'.
#pragma once

#include "book_sets/many_book_sets.h"

namespace qoru::checks {

book_sets::MergedReport MergeCheckReports(const book_sets::ManyRun& run);

}  // namespace qoru::checks
