// `qoru-gbtxt check` over many book sets: the book sets from the options, their runs
// (book_set_runs.h), each report under its name, then one table, or one JSON object
// {"book_sets": [...], "errors", "warnings"}.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

#include <fmt/format.h>

#include "checks/report_output.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "qoru_gbtxt/book_set_runs.h"
#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/child_process.h"
#include "qoru_gbtxt/process.h"
#include "text/display_width.h"

namespace qoru::host {
namespace {

std::string LastComponent(std::string path) {
  while (path.size() > 1 && os::IsSeparator(path.back())) path.pop_back();
  std::size_t at = path.size();
  while (at > 0 && !os::IsSeparator(path[at - 1])) --at;
  const std::string name = path.substr(at);
  return name.empty() ? path : name;
}

// `text` padded with blanks to `columns` display columns.
std::string Padded(const std::string& text, int columns) {
  const int width = static_cast<int>(DisplayColumns(text));
  return text + std::string(static_cast<std::size_t>(std::max(0, columns - width)), ' ');
}

// `text` after blanks up to `columns` display columns.
std::string Right(const std::string& text, int columns) {
  const int width = static_cast<int>(DisplayColumns(text));
  return std::string(static_cast<std::size_t>(std::max(0, columns - width)), ' ') + text;
}

}  // namespace

int RunManyBookSets(const CheckCommandOptions& options) {
  if (!options.description.empty()) {
    std::fprintf(stderr, "qoru-gbtxt：--gssm 只能与一个 --db 一起使用\n");
    return 2;
  }
  std::vector<BookSetInput> inputs;
  for (const std::string& db : options.databases) inputs.push_back({ArgumentText(db), db, true});
  for (const std::string& s : options.sources)
    inputs.push_back({ArgumentText(LastComponent(s)), s, false});
  if (!options.each.empty()) {
    std::vector<std::string> entries;
    if (!os::ListNames(options.each, &entries)) {
      std::fprintf(stderr, "qoru-gbtxt：无法读取目录 %s：%s\n", ArgumentText(options.each).c_str(),
                   SystemErrorText(errno).c_str());
      return 2;
    }
    const std::string dir =
        os::IsSeparator(options.each.back()) ? options.each : options.each + "/";
    std::vector<std::string> names;
    for (const std::string& n : entries)
      if (IsDirectory(dir + n)) names.push_back(n);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) inputs.push_back({ArgumentText(n), dir + n, false});
    if (names.empty()) {
      std::fprintf(stderr, "qoru-gbtxt：目录 %s 下没有子目录（每个子目录应为一个账套）\n",
                   ArgumentText(options.each).c_str());
      return 2;
    }
  }
  std::vector<std::string> arguments;
  for (const std::string& c : options.columns) {
    arguments.push_back("--column");
    arguments.push_back(c);
  }
  arguments.push_back("--max-findings");
  arguments.push_back(std::to_string(options.max_findings));
  if (options.strict) arguments.push_back("--strict");
  const unsigned jobs =
      options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());

  const std::vector<BookSetOutcome> outcomes = RunBookSets(SelfPath(), arguments, inputs, jobs);

  int worst = 0;
  std::uint64_t errors = 0, warnings = 0;
  nlohmann::ordered_json sets = nlohmann::ordered_json::array();
  std::string text;
  std::string table = Padded("账套", 24) + Right("错误", 8) + Right("警告", 8) +
                      Right("用时（秒）", 12) + "  说明\n";
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const BookSetOutcome& o = outcomes[i];
    worst = std::max(worst, o.exit_code);
    nlohmann::ordered_json item = {{"name", inputs[i].name}};
    std::uint64_t e = 0, w = 0;
    const bool checked = o.json.is_object() && o.json.contains("errors");
    if (checked) {
      for (const auto& [key, value] : o.json.items()) item[key] = value;
      e = o.json["errors"].get<std::uint64_t>();
      w = o.json["warnings"].get<std::uint64_t>();
      errors += e;
      warnings += w;
    }
    if (!o.error.empty() && !item.contains("error")) item["error"] = o.error;
    item["exit_code"] = o.exit_code;
    sets.push_back(std::move(item));

    text += fmt::format("======== 账套 {} ========\n", inputs[i].name);
    text += o.text;
    if (!o.error.empty()) text += "无法检查：" + o.error + "\n";
    text += "\n";
    table += Padded(inputs[i].name, 24) + Right(checked ? std::to_string(e) : "-", 8) +
             Right(checked ? std::to_string(w) : "-", 8) +
             Right(fmt::format("{:.2f}", o.seconds), 12) + (o.error.empty() ? "" : "  " + o.error) +
             "\n";
  }
  if (options.json) {
    const nlohmann::ordered_json all = {
        {"book_sets", std::move(sets)}, {"errors", errors}, {"warnings", warnings}};
    std::printf("%s\n", checks::ReportJsonText(all).c_str());
  } else {
    std::fputs(text.c_str(), stdout);
    std::fputs(
        fmt::format("{} 个账套，共 {} 个错误、{} 个警告：\n", inputs.size(), errors, warnings)
            .c_str(),
        stdout);
    std::fputs(table.c_str(), stdout);
  }
  return worst;
}

}  // namespace qoru::host
