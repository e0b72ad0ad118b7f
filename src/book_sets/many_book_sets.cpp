#include "book_sets/many_book_sets.h"

#include <cstdio>

#include <fmt/format.h>

#include "book_sets/book_set_list.h"
#include "book_sets/refusal.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "process/child_process.h"
#include "text/control_escape.h"

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

std::optional<MergedReport> RunManyShown(
    const ManyRequest& request, bool json, const std::function<MergedReport(const ManyRun&)>& merge,
    const std::function<std::string(const nlohmann::ordered_json&)>& json_text) {
  std::string error;
  const std::optional<ManyRun> run = RunMany(request, &error);
  if (!run) {
    Refuse(error);
    return std::nullopt;
  }
  MergedReport merged = merge(*run);
  if (json) {
    std::printf("%s\n", json_text(merged.json).c_str());
  } else {
    ShowText(stdout, merged.text);
    for (const std::string& w : merged.written)
      ShowText(stdout, "写入的文件：" + PathText(w) + "\n");
  }
  return merged;
}

std::string SectionHeading(const std::string& name) {
  return fmt::format("======== 账套 {} ========\n", name);
}

}  // namespace qoru::book_sets
