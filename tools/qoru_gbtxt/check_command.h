// `qoru-gbtxt check` and `convert --check`: the book-set checks run on a converted
// database (--db), or on a book set converted for the purpose into a temporary work
// area that is removed afterwards (--source), and their report as text or JSON.
// Exit codes of `check`: 0 without error-level findings, 1 with one or more (warnings
// too with --strict), 2 for wrong arguments, an input that cannot be read, a failed
// conversion or a database with neither postings nor balances. Several --db or
// --source, or --each, check many book sets (book_set_runs.h): each one's report under
// its name, then a table; the exit code is the worst of theirs. --xlsx writes the
// findings as an Excel workpaper (checks/check_workpaper.h), one per book set.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

namespace qoru::host {

struct CheckCommandOptions {
  std::vector<std::string> databases;  // --db: GBA.mdb files
  std::vector<std::string> sources;    // --source: book sets
  std::string each;                    // --each: a folder of book sets, one per subfolder
  unsigned jobs = 0;                   // --jobs: book sets checked at a time (0: the cores)
  std::string database;                // the one --db of a single book set
  std::string description;             // --gssm: its format description (default: beside it)
  std::string source;                  // the one --source of a single book set
  std::vector<std::string> columns;    // --column TABLE.ROLE=NAME
  std::size_t max_findings = 100;      // --max-findings
  bool strict = false;                 // --strict
  bool json = false;                   // --json
  std::string encoding = "auto";       // --encoding, with --source
  std::string xlsx;                    // --xlsx: the workpaper (a folder of them for many)
  bool overwrite = false;              // --overwrite: an existing workpaper may be replaced
  std::string preparer;                // --preparer NAME (编制人)
};

// Adds the subcommand `check` with its options, filled into `options`, to `app`.
CLI::App* AddCheckSubcommand(CLI::App& app, CheckCommandOptions& options);

// Converts the book set `source` into the prepared work area `work` (ending in "/")
// with the library; false with the reason when the conversion did not succeed.
using Converter =
    std::function<bool(const std::string& work, const std::string& source, std::string* why)>;

// The stages, in order, that the last conversion in this process went through; when it
// failed, the last one is the stage it stopped in (main.cpp keeps them).
const std::vector<std::string>& LastConversionStages();

int RunCheckCommand(CheckCommandOptions options, const Converter& convert);

// `check` over several --db or --source, or --each (many_book_sets.cpp).
int RunManyBookSets(const CheckCommandOptions& options);

// The name under which a book set's folder is reported: its last component.
std::string BookSetName(std::string path);

// The checks after a conversion into `work`: "checks" for the JSON summary (the report,
// or {"error": reason} when they could not run) and the text for the summary.
struct ConversionChecks {
  nlohmann::ordered_json json;
  std::string text;
};
ConversionChecks CheckConversion(const std::string& work, const std::vector<std::string>& columns,
                                 std::size_t max_findings);

}  // namespace qoru::host
