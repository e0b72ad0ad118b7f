// `qoru-gbtxt check` and `convert --check`: the book-set checks run on a converted
// database (--db), or on a book set converted for the purpose into a temporary work
// area that is removed afterwards (--source), and their report as text or JSON.
// Exit codes of `check`: 0 without error-level findings, 1 with one or more (warnings
// too with --strict), 2 for wrong arguments or an input that cannot be read.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

namespace qoru::host {

struct CheckCommandOptions {
  std::string database;              // --db: a GBA.mdb
  std::string description;           // --gssm: its format description (default: beside it)
  std::string source;                // --source: a book set
  std::vector<std::string> columns;  // --column TABLE.ROLE=NAME
  std::size_t max_findings = 100;    // --max-findings
  bool strict = false;               // --strict
  bool json = false;                 // --json
  std::string encoding = "auto";     // --encoding, with --source
};

// Adds the subcommand `check` with its options, filled into `options`, to `app`.
CLI::App* AddCheckSubcommand(CLI::App& app, CheckCommandOptions& options);

// Converts the book set `source` into the prepared work area `work` (ending in "/")
// with the library; false with the reason when the conversion did not succeed.
using Converter =
    std::function<bool(const std::string& work, const std::string& source, std::string* why)>;

int RunCheckCommand(CheckCommandOptions options, const Converter& convert);

// The reason why one of the --column values is wrong; empty when all are right.
std::string ColumnOptionsProblem(const std::vector<std::string>& columns);

// The checks after a conversion into `work`: "checks" for the JSON summary (the report,
// or {"error": reason} when they could not run) and the text for the summary.
struct ConversionChecks {
  nlohmann::ordered_json json;
  std::string text;
};
ConversionChecks CheckConversion(const std::string& work, const std::vector<std::string>& columns,
                                 std::size_t max_findings);

}  // namespace qoru::host
