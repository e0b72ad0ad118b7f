#include "book_sets/many_book_sets.h"

#include <fmt/format.h>

#include "book_sets/book_set_list.h"
#include "files/file_system.h"
#include "process/child_process.h"

namespace qoru::book_sets {

std::optional<ManyRun> RunMany(const ManyRequest& request, std::string* error) {
  // The folder of the workpapers may lie among the book sets of --each; it is none of them.
  std::optional<std::vector<BookSetInput>> listed =
      ListBookSets(request.databases, request.sources, request.each, error, request.xlsx);
  if (!listed) return std::nullopt;
  ManyRun run;
  run.inputs = std::move(*listed);
  if (!request.xlsx.empty()) {
    if (std::string problem = AssignWorkpapers(request.xlsx, run.inputs, request.overwrite);
        !problem.empty()) {
      *error = std::move(problem);
      return std::nullopt;
    }
    for (BookSetInput& input : run.inputs) input.xlsx_existed = PathExists(input.xlsx);
  }
  run.outcomes = RunBookSets(process::SelfPath(), request.arguments, run.inputs,
                             JobCount(request.jobs), request.command, request.summary_json);
  return run;
}

std::string SectionHeading(const std::string& name) {
  return fmt::format("======== 账套 {} ========\n", name);
}

}  // namespace qoru::book_sets
