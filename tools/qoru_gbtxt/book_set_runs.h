// `qoru-gbtxt check` over many book sets: each one is checked by a process of this
// program of its own (a conversion holds process-wide state, and one book set that
// brings the process down must not take the others with it), up to `jobs` at a time.
// Each child writes its JSON report to a file and its text report to another; the
// parent prints them in the order the book sets were given, then one summary table.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qoru::host {

struct BookSetInput {
  std::string name;  // how the report names it (UTF-8)
  std::string path;  // the database (--db) or the book set's folder (--source)
  bool database = false;
  std::string xlsx;  // its workpaper (--xlsx), or empty
};

struct BookSetOutcome {
  int exit_code = 2;
  double seconds = 0;
  std::string text;             // the child's text report
  nlohmann::ordered_json json;  // its JSON report, or null
  std::string error;            // what it said on stderr when it could not check
};

// Runs `self` (this program) once per book set: the subcommand `command` with
// `arguments` (the options every run shares), the book set's --xlsx, then --db or
// --source and the path, `jobs` at a time.
std::vector<BookSetOutcome> RunBookSets(const std::string& self,
                                        const std::vector<std::string>& arguments,
                                        const std::vector<BookSetInput>& inputs, unsigned jobs,
                                        const std::string& command = "check");

}  // namespace qoru::host
