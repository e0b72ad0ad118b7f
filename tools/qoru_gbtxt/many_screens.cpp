// `qoru-gbtxt screen` over many book sets: the book sets run by book_sets/many_book_sets.h,
// each report under its name, then one table, or one JSON object
// {"book_sets": [...], "items"}. With --xlsx the folder it names (made when missing)
// gets one workpaper per book set, named after it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "book_sets/book_set_list.h"
#include "book_sets/many_book_sets.h"
#include "book_sets/run_record.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/screen_command.h"
#include "screening/merged_report.h"
#include "screening/screen_output.h"
#include "text/control_escape.h"

namespace qoru::host {
int RunManyScreens(const ScreenCommandOptions& options) {
  book_sets::ManyRequest request = book_sets::RequestFor(options, "screen");
  request.arguments = SharedScreenArguments(options);
  request.jobs = options.jobs;
  // Without --json only the counts of each book set are needed, not its every item.
  request.summary_json = !options.json;
  std::string error;
  const std::optional<book_sets::ManyRun> run = book_sets::RunMany(request, &error);
  if (!run) return Refuse(error);

  const book_sets::MergedReport merged = screening::MergeScreenReports(*run);
  if (options.json) {
    std::printf("%s\n", screening::ScreenJsonText(merged.json).c_str());
  } else {
    ShowText(stdout, merged.text);
    for (const std::string& w : merged.written)
      ShowText(stdout, "写入的文件：" + PathText(w) + "\n");
  }
  return merged.exit_code;
}

}  // namespace qoru::host
