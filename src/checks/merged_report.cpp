#include "checks/merged_report.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

#include "book_sets/book_set_list.h"

namespace qoru::checks {

book_sets::MergedReport MergeCheckReports(const book_sets::ManyRun& run) {
  const std::vector<book_sets::BookSetInput>& inputs = run.inputs;
  const std::vector<book_sets::BookSetOutcome>& outcomes = run.outcomes;
  book_sets::MergedReport merged;
  int& worst = merged.exit_code;
  std::uint64_t errors = 0, warnings = 0;
  std::vector<std::string>& written = merged.written;
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
  merged.json = {{"book_sets", std::move(sets)},
                 {"errors", errors},
                 {"warnings", warnings},
                 {"files_written", written}};
  merged.text =
      text +
      fmt::format("{} 个账套，共 {} 个错误、{} 个警告：\n", inputs.size(), errors, warnings) +
      table;
  return merged;
}

}  // namespace qoru::checks
