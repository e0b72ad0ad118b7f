// `qoru-gbtxt check` over many book sets: the book sets run by book_sets/many_book_sets.h,
// each report under its name, then one table, or one JSON object
// {"book_sets": [...], "errors", "warnings"}. With --xlsx, a folder, each book set's
// workpaper is written there by its own run, named after the book set.
#include <algorithm>
#include <cstdio>
#include <optional>

#include <fmt/format.h>

#include "book_sets/book_set_list.h"
#include "book_sets/many_book_sets.h"
#include "checks/merged_report.h"
#include "checks/report_output.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/refusal.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::host {

std::string BookSetName(std::string path) {
  return book_sets::LastComponent(std::move(path));
}

int RunManyBookSets(const CheckCommandOptions& options) {
  if (!options.description.empty()) {
    std::fprintf(stderr, "qoru-gbtxt：--gssm 只能与一个 --db 一起使用\n");
    return 2;
  }
  book_sets::ManyRequest request = book_sets::RequestFor(options, "check");
  std::vector<std::string>& arguments = request.arguments;
  for (const std::string& c : options.columns) {
    arguments.push_back("--column");
    arguments.push_back(c);
  }
  arguments.push_back("--max-findings");
  arguments.push_back(std::to_string(options.max_findings));
  if (options.strict) arguments.push_back("--strict");
  if (options.overwrite) arguments.push_back("--overwrite");
  if (!options.preparer.empty()) arguments.push_back("--preparer=" + options.preparer);
  // The children read the book sets as this run was told to.
  arguments.push_back("--encoding");
  arguments.push_back(options.encoding);
  request.jobs = options.jobs;
  std::string error;
  const std::optional<book_sets::ManyRun> run = book_sets::RunMany(request, &error);
  if (!run) return Refuse(error);

  const book_sets::MergedReport merged = checks::MergeCheckReports(*run);
  if (options.json) {
    std::printf("%s\n", checks::ReportJsonText(merged.json).c_str());
  } else {
    ShowText(stdout, merged.text);
  }
  if (!options.xlsx.empty()) {
    // As each run reported it: a run that could not write its workpaper left an earlier
    // one as it was.
    ShowText(stderr, fmt::format("工作底稿已写入目录 {}：{} 个（每个账套一个）\n",
                                 PathText(options.xlsx), merged.written.size()));
    if (!options.json)
      for (const std::string& w : merged.written)
        ShowText(stdout, "写入的文件：" + PathText(w) + "\n");
  }
  return merged.exit_code;
}

}  // namespace qoru::host
