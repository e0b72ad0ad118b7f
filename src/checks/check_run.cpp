#include "checks/check_run.h"

#include <cstdio>
#include <optional>

#include <fmt/format.h>

#include "book_sets/book_set_list.h"
#include "book_sets/child_channel.h"
#include "book_sets/many_book_sets.h"
#include "book_sets/refusal.h"
#include "book_sets/run_record.h"
#include "book_sets/work_area.h"
#include "checks/book_checks.h"
#include "checks/check_workpaper.h"
#include "checks/merged_report.h"
#include "checks/report_output.h"
#include "checks/tables/column_roles.h"
#include "checks/tables/table_preconditions.h"
#include "files/interrupt_cleanup.h"
#include "files/path_text.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::checks {
namespace {

using book_sets::kExitUsage;
using book_sets::Refuse;

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;

// The name that the report of a single book set gives it, as a run over many would: its
// database's path, or its folder's name; empty when the request names no single one.
std::string ReportedName(const CheckRequest& request) {
  if (request.databases.size() + request.sources.size() != 1 || !request.each.empty()) return {};
  if (!request.databases.empty()) return PathText(request.databases.front());
  return PathText(book_sets::LastComponent(request.sources.front()));
}

// The JSON of a single book set: its name first and its exit code last, so that the
// files of many single runs merged (the README's recipe for many machines) say which
// book set each is and how its run ended.
nlohmann::ordered_json NamedJson(const CheckRequest& request, const nlohmann::ordered_json& report,
                                 int exit_code) {
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  if (const std::string name = ReportedName(request); !name.empty()) json["name"] = name;
  for (const auto& [key, value] : report.items()) json[key] = value;
  json["exit_code"] = exit_code;
  return json;
}

// Refuse, and with --json also {"name", "error": message, "exit_code": 2} on stdout, so
// that a JSON file per book set says why the book set could not be checked.
int RefuseAs(const CheckRequest& request, const std::string& message) {
  if (request.json)
    std::printf(
        "%s\n",
        ReportJsonText(NamedJson(request, nlohmann::ordered_json{{"error", message}}, kExitUsage))
            .c_str());
  return Refuse(message);
}

// `first`, then `then` after a "；" when there is a first.
std::string Joined(const std::string& first, const std::string& then) {
  return first.empty() ? then : first + "；" + then;
}

// Runs the checks; the report, or nullopt with the reason of a failure in `why`.
std::optional<CheckReport> Check(const std::string& database, const std::string& description,
                                 const CheckOptions& options, std::string* why) {
  PauseForTestsAt("testing");
  return TryRunChecks(database, description, options, why);
}

// Prints the report; `failure` (a conversion that failed, say) is added to it and makes
// the exit code 2, as does a book set that held nothing to check. A check skipped is a
// check not passed: counted, and failed by --strict.
int Report(const CheckReport& report, const CheckRequest& request, CheckWorkpaperInfo info,
           book_sets::RunRecord& record, const std::string& failure) {
  std::string problem = failure;
  const auto add_problem = [&](const std::string& more) { problem = Joined(problem, more); };
  if (!report.unusable.empty()) add_problem(report.unusable);
  const std::size_t skipped = report.Skipped();
  const book_sets::ChildChannel channel = book_sets::ChildChannelOfThisProcess();
  std::vector<std::string> written;
  if (!request.xlsx.empty()) {
    info.problem = problem;
    try {
      info.provenance = record.Finish(
          request.input.source.empty()
              ? std::string()
              : DetectBookSetEncoding(request.input.source, EncodingChoiceFromEnvironment())
                    .Describe());
      const bool replaced = WriteCheckWorkpaper(request.xlsx, report, info, request.overwrite);
      written.push_back(request.xlsx);
      // A child of a run over many book sets leaves the word to its parent.
      if (!channel.child())
        ShowText(stderr, "工作底稿已写入 " + PathText(request.xlsx) +
                             (replaced ? "，替换了原有的同名文件（--overwrite）" : "") + "\n");
    } catch (const std::exception& e) {
      add_problem(e.what());
    }
  }
  std::string written_text;
  for (const std::string& w : written) written_text += "写入的文件：" + PathText(w) + "\n";
  std::string text = ReportText(report);
  if (request.json && channel.child()) {
    if (skipped > 0) text += std::to_string(skipped) + " 项检查跳过（原因见上）\n";
    if (const std::string why = book_sets::WriteChildText(channel, text + written_text);
        !why.empty())
      add_problem(why);
  }
  const bool failed = report.Failed(request.strict);
  const int exit_code = !problem.empty() ? kExitUsage : failed ? kExitFindings : kExitClean;
  if (request.json) {
    nlohmann::ordered_json json = ReportJson(report);
    json["skipped"] = skipped;
    if (!request.xlsx.empty()) {
      json["provenance"] = provenance::ProvenanceJson(info.provenance);
      json["files_written"] = book_sets::FilesWrittenJson(written);
    }
    if (!problem.empty()) json["error"] = problem;
    std::printf("%s\n", ReportJsonText(NamedJson(request, json, exit_code)).c_str());
  } else {
    ShowText(stdout, text);
    if (skipped > 0)
      std::printf("%zu 项检查跳过（原因见上）%s\n", skipped,
                  request.strict ? "；--strict：跳过的检查也算未通过" : "");
    ShowText(stdout, written_text);
  }
  if (!problem.empty()) Refuse(problem);
  return exit_code;
}

// What the workpaper's overview says about the book set of a single run.
CheckWorkpaperInfo WorkpaperInfo(const book_sets::CommandInput& input) {
  CheckWorkpaperInfo info;
  if (!input.database.empty()) {
    info.book_set = PathText(input.database);
    info.database = PathText(input.database);
    info.description = PathText(input.description);
  } else {
    info.book_set = PathText(book_sets::LastComponent(input.source));
    info.source = PathText(input.source);
  }
  return info;
}

// The options as given, one word each, for the workpaper's record of the run.
std::vector<std::string> GivenArguments(const CheckRequest& r) {
  std::vector<std::string> words;
  for (const std::string& c : r.columns) words.push_back("--column=" + c);
  words.push_back("--max-findings=" + std::to_string(r.max_findings));
  if (r.strict) words.push_back("--strict");
  words.push_back("--encoding=" + r.encoding);
  words.push_back("--xlsx=" + r.xlsx);
  if (r.overwrite) words.push_back("--overwrite");
  if (!r.preparer.empty()) words.push_back("--preparer=" + r.preparer);
  return book_sets::RecordedWords(std::move(words), r.input);
}

// `check` over several --db or --source, or --each: one table, or one JSON object
// {"book_sets": [...], "errors", "warnings"}; with --xlsx, a folder, each book set's
// workpaper written there by its own run, named after the book set.
int RunManyChecks(const CheckRequest& r) {
  if (!r.input.description.empty()) return Refuse("--gssm 只能与一个 --db 一起使用");
  book_sets::ManyRequest request = book_sets::RequestFor(r, "check");
  std::vector<std::string>& arguments = request.arguments;
  for (const std::string& c : r.columns) {
    arguments.push_back("--column");
    arguments.push_back(c);
  }
  arguments.push_back("--max-findings");
  arguments.push_back(std::to_string(r.max_findings));
  if (r.strict) arguments.push_back("--strict");
  if (r.overwrite) arguments.push_back("--overwrite");
  if (!r.preparer.empty()) arguments.push_back("--preparer=" + r.preparer);
  // The children read the book sets as this run was told to.
  arguments.push_back("--encoding");
  arguments.push_back(r.encoding);
  request.jobs = r.jobs;
  const std::optional<book_sets::MergedReport> merged =
      book_sets::RunManyShown(request, r.json, MergeCheckReports, ReportJsonText);
  if (!merged) return kExitUsage;
  // As each run reported it: a run that could not write its workpaper left an earlier
  // one as it was.
  if (!r.xlsx.empty())
    ShowText(stderr, fmt::format("工作底稿已写入目录 {}：{} 个（每个账套一个）\n", PathText(r.xlsx),
                                 merged->written.size()));
  return merged->exit_code;
}

}  // namespace

int RunCheck(CheckRequest r, const book_sets::Converter& convert) {
  const std::size_t given = r.databases.size() + r.sources.size();
  if (given == 0 && r.each.empty())
    return RefuseAs(r, "check 需要 --db、--source 或 --each；用 qoru-gbtxt check --help 查看用法");
  std::string error;
  const auto overrides = ColumnOverrides(r.columns, &error);
  if (!overrides) return RefuseAs(r, error);
  if (given != 1 || !r.each.empty()) return RunManyChecks(r);
  if (!r.databases.empty()) r.input.database = r.databases.front();
  if (!r.sources.empty()) r.input.source = r.sources.front();
  if (!r.xlsx.empty()) {
    if (const std::string problem = workbook::TargetProblem(r.xlsx, r.overwrite); !problem.empty())
      return RefuseAs(r, "无法写入工作底稿：--xlsx 的值 " + problem);
  }
  book_sets::InputBookSet book_set;
  if (const book_sets::InputProblem problem =
          book_sets::CheckInput(r.input, "check", "检查", book_set);
      !problem.message.empty())
    return problem.description ? Refuse(problem.message) : RefuseAs(r, problem.message);
  const bool from_database = !book_set.scratch;
  if (from_database) {
    if (const std::string problem =
            ColumnProblem(book_set.database, book_set.description, r.columns, *overrides);
        !problem.empty())
      return Refuse(problem);
  }
  // With a workpaper, the source's files are hashed while the book set converts.
  book_sets::RunRecord record("check", GivenArguments(r), r.preparer);
  const bool recorded = !r.xlsx.empty();
  if (const std::string problem =
          book_sets::ReadInput(book_set, r.input, convert, record, recorded, true);
      !problem.empty())
    return RefuseAs(r, problem);
  std::string failure;
  if (!book_set.failure.empty()) {
    // The tables imported before the run stopped are still there to be checked.
    ShowText(stderr, "qoru-gbtxt：转换没有完成（" + book_set.failure + "），检查已导入的表\n");
    failure = "账套 " + PathText(r.input.source) + " 转换失败：" + book_set.failure;
  }
  if (!from_database) {
    if (const std::string problem =
            ColumnProblem(book_set.database, book_set.description, r.columns, *overrides);
        !problem.empty())
      return RefuseAs(r, Joined(failure, problem));
  }
  if (recorded) record.Start();
  std::string why;
  const auto report =
      Check(book_set.database, book_set.description, {*overrides, r.max_findings}, &why);
  if (!report) return RefuseAs(r, Joined(failure, why));
  return Report(*report, r, WorkpaperInfo(r.input), record, failure);
}

ConversionChecks CheckConversion(const std::string& work, const std::vector<std::string>& columns,
                                 std::size_t max_findings) {
  ConversionChecks out;
  std::string why;
  std::optional<std::vector<ColumnOverride>> overrides = ColumnOverrides(columns, &why);
  std::optional<CheckReport> report;
  if (overrides)
    report = Check(book_sets::WorkDatabase(work), book_sets::WorkDescription(work),
                   {*overrides, max_findings}, &why);
  if (!report) {
    out.json = {{"error", why}};
    out.text = "检查没有完成：" + why + "\n";
    return out;
  }
  out.json = ReportJson(*report);
  out.text = "检查：\n" + ReportText(*report);
  return out;
}

}  // namespace qoru::checks
