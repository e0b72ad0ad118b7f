// A command over many book sets, as check and screen run one: the book sets listed from
// the options (book_set_list.h), their workpapers named in the --xlsx folder, every
// target checked before any run, then one child process of this program per book set
// (book_set_runs.h), `jobs` at a time. The command merges the children's reports.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "book_sets/book_set_runs.h"

namespace qoru::book_sets {

struct ManyRequest {
  std::vector<std::string> databases;  // --db
  std::vector<std::string> sources;    // --source
  std::string each;                    // --each: a folder of book sets, one per subfolder
  std::string xlsx;                    // --xlsx: the folder of the workpapers, or empty
  bool overwrite = false;              // --overwrite: a workpaper there may be replaced
  std::string command;                 // the subcommand each child runs ("check", "screen")
  std::vector<std::string> arguments;  // the options every child shares
  unsigned jobs = 0;                   // --jobs: children at a time (0: one per core)
  bool summary_json = false;           // the children's JSON without its items
};

struct ManyRun {
  std::vector<BookSetInput> inputs;      // in the order given (book_set_list.h)
  std::vector<BookSetOutcome> outcomes;  // one per input, in its order
};

// The request of `command` from a command's options that name the book sets and their
// workpapers as check's and screen's do (databases, sources, each, xlsx, overwrite); the
// arguments, jobs and summary are the caller's to fill in.
template <typename Options>
ManyRequest RequestFor(const Options& options, std::string command) {
  ManyRequest request;
  request.databases = options.databases;
  request.sources = options.sources;
  request.each = options.each;
  request.xlsx = options.xlsx;
  request.overwrite = options.overwrite;
  request.command = std::move(command);
  return request;
}

// Runs the request; nullopt with the reason for the user in `error` when it is refused
// before any run (--each cannot be read or holds no book set, a workpaper cannot be
// written).
std::optional<ManyRun> RunMany(const ManyRequest& request, std::string* error);

// What a command over many book sets shows, merged from its runs' reports by the command's
// room (checks/merged_report.h, screening/merged_report.h).
struct MergedReport {
  std::string text;                  // each report under its name, then a count and a table
  nlohmann::ordered_json json;       // one object for all the book sets
  std::vector<std::string> written;  // the workpapers the runs wrote
  int exit_code = 0;                 // the worst of the runs'
};

// Runs the request and shows what `merge` makes of the runs: the JSON as `json_text`
// writes it when `json`, else the text and the workpapers written. nullopt when the
// request was refused (said on stderr: the exit code is kExitUsage).
std::optional<MergedReport> RunManyShown(
    const ManyRequest& request, bool json, const std::function<MergedReport(const ManyRun&)>& merge,
    const std::function<std::string(const nlohmann::ordered_json&)>& json_text);

// The heading of a book set's report in the merged text.
std::string SectionHeading(const std::string& name);

}  // namespace qoru::book_sets
