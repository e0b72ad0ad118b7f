#include "screening/merged_report.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

#include "book_sets/book_set_list.h"
#include "book_sets/run_record.h"
#include "files/path_text.h"

namespace qoru::screening {

book_sets::MergedReport MergeScreenReports(const book_sets::ManyRun& run) {
  const std::vector<book_sets::BookSetInput>& inputs = run.inputs;
  const std::vector<book_sets::BookSetOutcome>& outcomes = run.outcomes;
  book_sets::MergedReport merged;
  int& worst = merged.exit_code;
  std::uint64_t items = 0;
  std::vector<std::string>& written = merged.written;
  nlohmann::ordered_json sets = nlohmann::ordered_json::array();
  std::string text;
  std::string table = book_sets::PaddedColumn("账套", 24) +
                      book_sets::RightColumn("有项目的测试", 14) +
                      book_sets::RightColumn("项目", 10) + book_sets::RightColumn("跳过", 6) +
                      book_sets::RightColumn("用时（秒）", 12) + "  说明\n";
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const book_sets::BookSetOutcome& o = outcomes[i];
    worst = std::max(worst, o.exit_code);
    nlohmann::ordered_json item = {{"name", inputs[i].name}};
    std::uint64_t found = 0, tests_with_items = 0, skipped = 0;
    const bool screened = o.exit_code == 0 && o.json.is_object() && o.json.contains("tests");
    if (screened) {
      for (const auto& [key, value] : o.json.items()) item[key] = value;
      for (const auto& t : o.json["tests"]) {
        found += t.value("items", std::uint64_t{0});
        if (t.value("status", "") == "items") ++tests_with_items;
        if (t.value("status", "") == "skipped") ++skipped;
      }
      items += found;
      if (!inputs[i].xlsx.empty()) {
        item["workpaper"] = PathText(inputs[i].xlsx);
        written.push_back(inputs[i].xlsx);
      }
    }
    if (!inputs[i].xlsx_note.empty()) item["workpaper_note"] = inputs[i].xlsx_note;
    if (!o.error.empty()) item["error"] = o.error;
    item["exit_code"] = o.exit_code;
    sets.push_back(std::move(item));

    text += book_sets::SectionHeading(inputs[i].name);
    text += o.text;
    if (screened && inputs[i].xlsx_existed) text += "（替换了原有的同名文件：--overwrite）\n";
    if (!inputs[i].xlsx_note.empty()) text += inputs[i].xlsx_note + "\n";
    if (!o.error.empty()) text += "无法测试：" + o.error + "\n";
    text += "\n";
    const auto count = [&](std::uint64_t n) { return screened ? std::to_string(n) : "-"; };
    table += book_sets::PaddedColumn(inputs[i].name, 24) +
             book_sets::RightColumn(count(tests_with_items), 14) +
             book_sets::RightColumn(count(found), 10) + book_sets::RightColumn(count(skipped), 6) +
             book_sets::RightColumn(fmt::format("{:.2f}", o.seconds), 12) +
             (o.error.empty() ? "" : "  " + o.error) + "\n";
  }
  merged.json = {{"book_sets", std::move(sets)},
                 {"items", items},
                 {"files_written", book_sets::FilesWrittenJson(written)}};
  merged.text =
      text + fmt::format("{} 个账套，共 {} 个需要关注的项目：\n", inputs.size(), items) + table;
  return merged;
}

}  // namespace qoru::screening
