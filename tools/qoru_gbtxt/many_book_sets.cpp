// `qoru-gbtxt check` over many book sets: the book sets from the options, their runs
// (book_set_runs.h), each report under its name, then one table, or one JSON object
// {"book_sets": [...], "errors", "warnings"}. With --xlsx, a folder, each book set's
// workpaper is written there by its own run, named after the book set.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include <fmt/format.h>

#include "checks/report_output.h"
#include "qoru_gbtxt/book_set_runs.h"
#include "qoru_gbtxt/check_command.h"
#include "text/display_width.h"
#include "workbook/workbook.h"

namespace qoru::host {
std::string BookSetName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::string name = std::filesystem::path(path).filename().string();
  return name.empty() ? path : name;
}

namespace {

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

// The workpaper of each book set in the folder `dir`: its name with the characters a file
// name cannot hold replaced by "_", numbered where two names would meet.
void NameWorkpapers(const std::string& dir, std::vector<BookSetInput>& inputs) {
  std::set<std::string> taken;
  for (BookSetInput& input : inputs) {
    std::string name = input.name;
    for (char& c : name)
      if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
          c == '>' || c == '|' || static_cast<unsigned char>(c) < 0x20)
        c = '_';
    if (name.empty() || name[0] == '.') name = "_" + name;
    std::string file = name + ".xlsx";
    for (int n = 2; taken.count(file) != 0; ++n) file = fmt::format("{}-{}.xlsx", name, n);
    taken.insert(file);
    input.xlsx = (std::filesystem::path(dir) / file).string();
  }
}

}  // namespace

int RunManyBookSets(const CheckCommandOptions& options) {
  if (!options.description.empty()) {
    std::fprintf(stderr, "qoru-gbtxt：--gssm 只能与一个 --db 一起使用\n");
    return 2;
  }
  std::vector<BookSetInput> inputs;
  for (const std::string& db : options.databases) inputs.push_back({db, db, true});
  for (const std::string& s : options.sources) inputs.push_back({BookSetName(s), s, false});
  if (!options.each.empty()) {
    std::error_code ec;
    std::vector<std::string> names;
    // The folder of the workpapers may lie among the book sets; it is none of them.
    for (const auto& entry : std::filesystem::directory_iterator(options.each, ec)) {
      std::error_code same_ec;
      if (entry.is_directory() &&
          !(!options.xlsx.empty() &&
            std::filesystem::equivalent(entry.path(), options.xlsx, same_ec)))
        names.push_back(entry.path().filename().string());
    }
    if (ec) {
      std::fprintf(stderr, "qoru-gbtxt：无法读取目录 %s：%s\n", options.each.c_str(),
                   ec.message().c_str());
      return 2;
    }
    std::sort(names.begin(), names.end());
    const std::string dir = options.each.back() == '/' ? options.each : options.each + "/";
    for (const std::string& n : names) inputs.push_back({n, dir + n, false});
    if (names.empty()) {
      std::fprintf(stderr, "qoru-gbtxt：目录 %s 下没有子目录（每个子目录应为一个账套）\n",
                   options.each.c_str());
      return 2;
    }
  }
  if (!options.xlsx.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_directory(options.xlsx, ec)) {
      std::fprintf(stderr,
                   "qoru-gbtxt：检查多个账套时 --xlsx 的值须是一个已有的目录（每个账套在其中写一个"
                   "工作底稿 账套名.xlsx）：%s 不是目录\n",
                   options.xlsx.c_str());
      return 2;
    }
    NameWorkpapers(options.xlsx, inputs);
    if (const std::string problem = workbook::TargetProblem(inputs.front().xlsx);
        !problem.empty()) {
      std::fprintf(stderr, "qoru-gbtxt：无法写入工作底稿：%s\n", problem.c_str());
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

  const auto runs_started = std::filesystem::file_time_type::clock::now();
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
  if (!options.xlsx.empty()) {
    // A run that could not write its workpaper left an earlier one as it was.
    std::size_t written = 0;
    std::error_code ec;
    for (const BookSetInput& input : inputs)
      written += std::filesystem::last_write_time(input.xlsx, ec) >= runs_started && !ec;
    std::fprintf(stderr, "工作底稿已写入目录 %s：%zu 个（每个账套一个）\n", options.xlsx.c_str(),
                 written);
  }
  return worst;
}

}  // namespace qoru::host
