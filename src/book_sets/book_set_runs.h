// `qoru-gbtxt check` over many book sets: each one is checked by a process of this
// program of its own (a conversion holds process-wide state, and one book set that
// brings the process down must not take the others with it), up to `jobs` at a time.
// Each child writes its JSON report to a file and its text report to another (its
// standard output, and the file that child_channel.h names to it), both in a temporary
// folder of the run's; the parent prints them in the order the book sets were given,
// then one summary table. An interrupt is passed on to the children, and the parent
// ends once they have ended, each having removed what it made.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qoru::book_sets {

struct BookSetInput {
  std::string name;  // how the report names it (UTF-8)
  std::string path;  // the database (--db) or the book set's folder (--source)
  bool database = false;
  std::string xlsx;  // its workpaper (--xlsx), or empty
  // When its workpaper's name was taken by an earlier book set's and it got a number:
  // the sentence of the report that says so (UTF-8); else empty.
  std::string xlsx_note;
  bool xlsx_existed = false;  // its workpaper was there before the run (--overwrite)
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
// --source and the path, `jobs` at a time; with `summary_json` the children's JSON
// leaves out the items.
std::vector<BookSetOutcome> RunBookSets(const std::string& self,
                                        const std::vector<std::string>& arguments,
                                        const std::vector<BookSetInput>& inputs, unsigned jobs,
                                        const std::string& command = "check",
                                        bool summary_json = false);

}  // namespace qoru::book_sets
