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
  book_sets::ManyRequest request{options.databases, options.sources,   options.each,
                                 options.xlsx,      options.overwrite, "check"};
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
  const std::vector<book_sets::BookSetInput>& inputs = run->inputs;
  const std::vector<book_sets::BookSetOutcome>& outcomes = run->outcomes;

  int worst = 0;
  std::uint64_t errors = 0, warnings = 0;
  std::vector<std::string> written;  // the workpapers the runs wrote
  nlohmann::ordered_json sets = nlohmann::ordered_json::array();
  std::string text;
  std::string table = book_sets::PaddedColumn("账套", 24) + book_sets::RightColumn("错误", 8) +
                      book_sets::RightColumn("警告", 8) + book_sets::RightColumn("用时（秒）", 12) +
                      "  说明\n";
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const book_sets::BookSetOutcome& o = outcomes[i];
    worst = std::max(worst, o.exit_code);
    nlohmann::ordered_json item = {{"name", inputs[i].name}};
    std::uint64_t e = 0, w = 0;
    const bool checked = o.json.is_object() && o.json.contains("errors");
    if (checked) {
      for (const auto& [key, value] : o.json.items()) item[key] = value;
      if (o.json.contains("files_written"))
        for (const auto& f : o.json["files_written"]) written.push_back(f.get<std::string>());
      e = o.json["errors"].get<std::uint64_t>();
      w = o.json["warnings"].get<std::uint64_t>();
      errors += e;
      warnings += w;
    }
    if (!o.error.empty() && !item.contains("error")) item["error"] = o.error;
    if (!inputs[i].xlsx_note.empty()) item["workpaper_note"] = inputs[i].xlsx_note;
    item["exit_code"] = o.exit_code;
    sets.push_back(std::move(item));

    text += book_sets::SectionHeading(inputs[i].name);
    text += o.text;
    if (!inputs[i].xlsx_note.empty()) text += inputs[i].xlsx_note + "\n";
    if (!o.error.empty()) text += "无法检查：" + o.error + "\n";
    text += "\n";
    table += book_sets::PaddedColumn(inputs[i].name, 24) +
             book_sets::RightColumn(checked ? std::to_string(e) : "-", 8) +
             book_sets::RightColumn(checked ? std::to_string(w) : "-", 8) +
             book_sets::RightColumn(fmt::format("{:.2f}", o.seconds), 12) +
             (o.error.empty() ? "" : "  " + o.error) + "\n";
  }
  if (options.json) {
    const nlohmann::ordered_json all = {{"book_sets", std::move(sets)},
                                        {"errors", errors},
                                        {"warnings", warnings},
                                        {"files_written", written}};
    std::printf("%s\n", checks::ReportJsonText(all).c_str());
  } else {
    ShowText(stdout, text +
                         fmt::format("{} 个账套，共 {} 个错误、{} 个警告：\n", inputs.size(),
                                     errors, warnings) +
                         table);
  }
  if (!options.xlsx.empty()) {
    // As each run reported it: a run that could not write its workpaper left an earlier
    // one as it was.
    ShowText(stderr, fmt::format("工作底稿已写入目录 {}：{} 个（每个账套一个）\n",
                                 PathText(options.xlsx), written.size()));
    if (!options.json)
      for (const std::string& w : written) ShowText(stdout, "写入的文件：" + PathText(w) + "\n");
  }
  return worst;
}

}  // namespace qoru::host
