// The run of `check` (and of `convert --check`): the book-set checks on a converted
// database (--db), or on a book set converted for the purpose into a scratch area
// (--source), and their report as text or JSON, with the workpaper of --xlsx
// (check_workpaper.h). Exit codes: 0 without error-level findings, 1 with one or more
// (warnings and skipped checks too with --strict), 2 for wrong arguments, an input that
// cannot be read, a failed conversion or a database with neither postings nor
// balances. Several --db or --source, or --each, check many book sets, one child
// process each (book_sets/many_book_sets.h): each one's report under its name, then a
// table; the exit code is the worst of theirs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "book_sets/command_input.h"

namespace qoru::checks {

struct CheckRequest {
  std::vector<std::string> databases;  // --db: GBA.mdb files
  std::vector<std::string> sources;    // --source: book sets
  std::string each;                    // --each: a folder of book sets, one per subfolder
  unsigned jobs = 0;                   // --jobs: book sets checked at a time (0: the cores)
  book_sets::CommandInput input;       // the one book set of a single run (--gssm with it)
  std::vector<std::string> columns;    // --column TABLE.ROLE=NAME
  std::size_t max_findings = 100;      // --max-findings
  bool strict = false;                 // --strict
  bool json = false;                   // --json
  std::string encoding = "auto";       // --encoding, with --source
  std::string xlsx;                    // --xlsx: the workpaper (a folder of them for many)
  bool overwrite = false;              // --overwrite: an existing workpaper may be replaced
  std::string preparer;                // --preparer NAME (编制人)
};

// Runs the request, the report on stdout; its exit code.
int RunCheck(CheckRequest request, const book_sets::Converter& convert);

// The checks after a conversion into `work`: "checks" for the JSON summary (the report,
// or {"error": reason} when they could not run) and the text for the summary.
struct ConversionChecks {
  nlohmann::ordered_json json;
  std::string text;
};
ConversionChecks CheckConversion(const std::string& work, const std::vector<std::string>& columns,
                                 std::size_t max_findings);

}  // namespace qoru::checks
