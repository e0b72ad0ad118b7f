// The report of `screen` over many book sets, merged from what each book set's run
// reported (book_sets/many_book_sets.h): each report under its name (with a word on a
// workpaper that replaced an earlier one), then the items of all and a table of each
// book set's tests with items, items, tests skipped and time; or one JSON object
// {"book_sets": [...], "items", "files_written"}. The exit code is the worst of the runs'.
#pragma once

#include "book_sets/many_book_sets.h"

namespace qoru::screening {

book_sets::MergedReport MergeScreenReports(const book_sets::ManyRun& run);

}  // namespace qoru::screening
