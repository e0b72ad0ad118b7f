#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/text_option.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "book_sets/child_channel.h"
#include "book_sets/run_record.h"
#include "book_sets/scratch_area.h"
#include "book_sets/work_area.h"
#include "checks/book_checks.h"
#include "checks/check_workpaper.h"
#include "checks/report_output.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/column_roles.h"
#include "checks/tables/table_preconditions.h"
#include "errors/errors.h"
#include "faces/console.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/path_text.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::host {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;

// The name that the report of a single book set gives it, as a run over many would: its
// database's path, or its folder's name; empty when the options name no single one.
std::string ReportedName(const CheckCommandOptions& options) {
  if (options.databases.size() + options.sources.size() != 1 || !options.each.empty()) return {};
  if (!options.databases.empty()) return PathText(options.databases.front());
  return PathText(BookSetName(options.sources.front()));
}

// The JSON of a single book set: its name first and its exit code last, so that the
// files of many single runs merged (the README's recipe for many machines) say which
// book set each is and how its run ended.
nlohmann::ordered_json NamedJson(const CheckCommandOptions& options,
                                 const nlohmann::ordered_json& report, int exit_code) {
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  if (const std::string name = ReportedName(options); !name.empty()) json["name"] = name;
  for (const auto& [key, value] : report.items()) json[key] = value;
  json["exit_code"] = exit_code;
  return json;
}

// Refuse, and with --json also {"name", "error": message, "exit_code": 2} on stdout, so
// that a JSON file per book set says why the book set could not be checked.
int RefuseAs(const CheckCommandOptions& options, const std::string& message) {
  if (options.json)
    std::printf("%s\n",
                checks::ReportJsonText(
                    NamedJson(options, nlohmann::ordered_json{{"error", message}}, kExitUsage))
                    .c_str());
  return Refuse(message);
}

// Runs the checks; the report, or nullopt with the reason of a failure in `why`.
std::optional<checks::CheckReport> Check(const std::string& database,
                                         const std::string& description,
                                         const checks::CheckOptions& options, std::string* why) {
  PauseForTestsAt("testing");
  return checks::TryRunChecks(database, description, options, why);
}

// Prints the report; `failure` (a conversion that failed, say) is added to it and makes
// the exit code 2, as does a book set that held nothing to check. A check skipped is a
// check not passed: counted, and failed by --strict.
int Report(const checks::CheckReport& report, const CheckCommandOptions& options,
           checks::CheckWorkpaperInfo info, book_sets::RunRecord& record,
           const std::string& failure = {}) {
  std::string problem = failure;
  const auto add_problem = [&](const std::string& more) {
    problem += (problem.empty() ? "" : "；") + more;
  };
  if (!report.unusable.empty()) add_problem(report.unusable);
  const std::size_t skipped = report.Skipped();
  const book_sets::ChildChannel channel = book_sets::ChildChannelOfThisProcess();
  std::vector<std::string> written;
  if (!options.xlsx.empty()) {
    info.problem = problem;
    try {
      info.provenance = record.Finish(
          options.source.empty()
              ? std::string()
              : DetectBookSetEncoding(options.source, EncodingChoiceFromEnvironment()).Describe());
      const bool replaced =
          checks::WriteCheckWorkpaper(options.xlsx, report, info, options.overwrite);
      written.push_back(options.xlsx);
      // A child of a run over many book sets leaves the word to its parent.
      if (!channel.child())
        ShowText(stderr, "工作底稿已写入 " + PathText(options.xlsx) +
                             (replaced ? "，替换了原有的同名文件（--overwrite）" : "") + "\n");
    } catch (const std::exception& e) {
      add_problem(e.what());
    }
  }
  std::string written_text;
  for (const std::string& w : written) written_text += "写入的文件：" + PathText(w) + "\n";
  std::string text = checks::ReportText(report);
  if (options.json && channel.child()) {
    if (skipped > 0) text += std::to_string(skipped) + " 项检查跳过（原因见上）\n";
    if (const std::string why = book_sets::WriteChildText(channel, text + written_text);
        !why.empty())
      add_problem(why);
  }
  const bool failed = report.Failed(options.strict);
  const int exit_code = !problem.empty() ? kExitUsage : failed ? kExitFindings : kExitClean;
  if (options.json) {
    nlohmann::ordered_json json = checks::ReportJson(report);
    json["skipped"] = skipped;
    if (!options.xlsx.empty()) {
      json["provenance"] = provenance::ProvenanceJson(info.provenance);
      json["files_written"] = book_sets::FilesWrittenJson(written);
    }
    if (!problem.empty()) json["error"] = problem;
    std::printf("%s\n", checks::ReportJsonText(NamedJson(options, json, exit_code)).c_str());
  } else {
    ShowText(stdout, text);
    if (skipped > 0)
      std::printf("%zu 项检查跳过（原因见上）%s\n", skipped,
                  options.strict ? "；--strict：跳过的检查也算未通过" : "");
    ShowText(stdout, written_text);
  }
  if (!problem.empty()) Refuse(problem);
  return exit_code;
}

// What the workpaper's overview says about the book set of a single run.
checks::CheckWorkpaperInfo WorkpaperInfo(const CheckCommandOptions& options) {
  checks::CheckWorkpaperInfo info;
  if (!options.database.empty()) {
    info.book_set = PathText(options.database);
    info.database = PathText(options.database);
    info.description = PathText(options.description);
  } else {
    info.book_set = PathText(BookSetName(options.source));
    info.source = PathText(options.source);
  }
  return info;
}

// The options as given, one word each, for the workpaper's record of the run.
std::vector<std::string> GivenArguments(const CheckCommandOptions& o) {
  std::vector<std::string> words;
  for (const std::string& c : o.columns) words.push_back("--column=" + c);
  words.push_back("--max-findings=" + std::to_string(o.max_findings));
  if (o.strict) words.push_back("--strict");
  words.push_back("--encoding=" + o.encoding);
  words.push_back("--xlsx=" + o.xlsx);
  if (o.overwrite) words.push_back("--overwrite");
  if (!o.preparer.empty()) words.push_back("--preparer=" + o.preparer);
  if (!o.database.empty()) words.push_back("--db=" + o.database);
  if (!o.description.empty()) words.push_back("--gssm=" + o.description);
  if (!o.source.empty()) words.push_back("--source=" + o.source);
  for (std::string& w : words) w = PathText(w);
  return words;
}

}  // namespace

CLI::App* AddCheckSubcommand(CLI::App& app, CheckCommandOptions& options) {
  CLI::App* check = app.add_subcommand(
      "check",
      "检查账套的勾稽关系，找出：凭证借贷不平、凭证断号/重号、期初+发生≠期末、期初与上月期末不符、"
      "账表不符、辅助账与总账不符、上下级科目不符、试算不平衡、科目不在科目表中、非末级科目记账、"
      "跨年度凭证、金额或日期无法识别、科目余额方向无法识别。余额表有会计月度时逐月检查；"
      "期初、期末按借正贷负比较。每个问题一行，写明检查项、严重程度、表和行、月份、凭证或科目和"
      "金额；然后每项检查一行计数，最后是合计和用时。");
  check->group("子命令");
  check->footer(
      "退出码：0 没有错误级的问题，1 有错误级的问题（加 --strict 时警告和跳过的检查也算），"
      "2 参数错误（包括 --column 指定了表中没有的列）、找不到格式说明、输入无法读取、转换失败"
      "或数据库中既没有凭证也没有余额表。");
  UseChinese(*check);
  CLI::Option* db = check
                        ->add_option("--db", options.databases,
                                     "转换得到的数据库 GBA.mdb；表按同一目录下的 GSSM.txt 查找；"
                                     "可重复，检查多个账套")
                        ->type_name("文件");
  CLI::Option* source =
      check
          ->add_option("--source", options.sources,
                       "账套目录：先用本库转换到一个临时目录（结束后删除，不写用户的任何文件）"
                       "再检查，结果与 --db 相同；可重复，检查多个账套")
          ->type_name("目录")
          ->excludes(db);
  check
      ->add_option("--each", options.each,
                   "检查目录下的每个子目录（每个子目录一个账套），例如集团各子公司的账套")
      ->type_name("目录")
      ->excludes(db)
      ->excludes(source);
  check->add_option("--jobs", options.jobs, "多个账套时同时检查的个数（默认为处理器核数）")
      ->type_name("N");
  AddEncodingOption(*check, options.encoding);
  check
      ->add_option("--gssm", options.description,
                   "与 --db 一起使用：格式说明文件（默认为数据库所在目录下的 GSSM.txt）")
      ->type_name("文件")
      ->needs(db);
  TextOption(
      check->add_option("--column", options.columns,
                        "指定某个角色的列，格式 表.角色=列名，例如 postings.date=业务日期；表为 "
                        "postings、balances、chart 或 book，可重复"))
      ->type_name("表.角色=列名");
  check
      ->add_option("--max-findings", options.max_findings,
                   "每项检查最多列出的问题数（默认 100）；计数总是完整的")
      ->type_name("N");
  check
      ->add_option("--xlsx", options.xlsx,
                   "写出 Excel 工作底稿：概览（账套、年度、各项检查的状态和跳过的原因、错误和"
                   "警告数，读取的文件及其 SHA-256）和每项有问题的检查一个工作表；已有的同名文件"
                   "不会被替换（加 --overwrite 才替换，只读的文件总不替换）。检查多个账套时为一个"
                   "目录，每个账套写一个 账套名.xlsx")
      ->type_name("文件");
  check->add_flag("--overwrite", options.overwrite,
                  "替换已有的同名工作底稿（只读的不替换）；运行前检查所有要写的文件");
  TextOption(
      check->add_option("--preparer", options.preparer, "编制人：写在工作底稿的概览和 JSON 中"))
      ->type_name("姓名");
  check->add_flag("--strict", options.strict, "警告也算作错误（退出码 1）");
  check->add_flag("--json", options.json, "在标准输出打印一个 JSON 对象代替文字报告");
  return check;
}

int RunCheckCommand(CheckCommandOptions options, const Converter& convert) {
  const std::size_t given = options.databases.size() + options.sources.size();
  if (given == 0 && options.each.empty())
    return RefuseAs(options,
                    "check 需要 --db、--source 或 --each；用 qoru-gbtxt check --help 查看用法");
  std::string error;
  const auto overrides = checks::ColumnOverrides(options.columns, &error);
  if (!overrides) return RefuseAs(options, error);
  if (given != 1 || !options.each.empty()) return RunManyBookSets(options);
  if (!options.databases.empty()) options.database = options.databases.front();
  if (!options.sources.empty()) options.source = options.sources.front();
  const checks::CheckOptions check_options{*overrides, options.max_findings};
  if (!options.xlsx.empty()) {
    if (const std::string problem = workbook::TargetProblem(options.xlsx, options.overwrite);
        !problem.empty())
      return RefuseAs(options, "无法写入工作底稿：--xlsx 的值 " + problem);
  }

  if (!options.database.empty()) {
    if (const std::string problem = book_sets::CheckDatabase(options.database); !problem.empty())
      return RefuseAs(options, problem);
    const bool given = !options.description.empty();
    if (!given) options.description = book_sets::DescriptionBeside(options.database);
    if (const std::string problem =
            checks::DescriptionProblem(options.database, options.description, given);
        !problem.empty())
      return Refuse(problem);
    if (const std::string problem = checks::ColumnProblem(options.database, options.description,
                                                          options.columns, *overrides);
        !problem.empty())
      return Refuse(problem);
    book_sets::RunRecord record("check", GivenArguments(options), options.preparer);
    if (!options.xlsx.empty()) {
      record.AddDatabase(options.database, options.description);
      record.Start();
    }
    std::string why;
    const auto report = Check(options.database, options.description, check_options, &why);
    if (!report) return RefuseAs(options, why);
    return Report(*report, options, WorkpaperInfo(options), record);
  }

  std::optional<book_sets::ScratchArea> area;
  if (const std::string problem = book_sets::ScratchForSource(options.source, "check", area);
      !problem.empty())
    return RefuseAs(options, problem);
  const book_sets::ScratchArea& scratch = *area;
  // With a workpaper, the source's files are hashed while the book set converts.
  book_sets::RunRecord record("check", GivenArguments(options), options.preparer);
  if (!options.xlsx.empty()) {
    record.AddSource(options.source);
    record.Start();
  }
  std::string why;
  const bool converted = convert(scratch.work(), options.source, &why);
  const std::string database = book_sets::WorkDatabase(scratch.work());
  if (!converted) {
    if (!IsRegularFile(database))
      return RefuseAs(options, "无法转换账套 " + PathText(options.source) + "：" + why);
    // The tables imported before the run stopped are still there to be checked.
    ShowText(stderr, "qoru-gbtxt：转换没有完成（" + why + "），检查已导入的表\n");
  }
  const std::string failure =
      converted ? std::string() : "账套 " + PathText(options.source) + " 转换失败：" + why;
  if (const std::string problem = checks::ColumnProblem(
          database, book_sets::WorkDescription(scratch.work()), options.columns, *overrides);
      !problem.empty())
    return RefuseAs(options, failure.empty() ? problem : failure + "；" + problem);
  std::string check_why;
  const auto report =
      Check(database, book_sets::WorkDescription(scratch.work()), check_options, &check_why);
  if (!report) return RefuseAs(options, failure.empty() ? check_why : failure + "；" + check_why);
  return Report(*report, options, WorkpaperInfo(options), record, failure);
}

ConversionChecks CheckConversion(const std::string& work, const std::vector<std::string>& columns,
                                 std::size_t max_findings) {
  ConversionChecks out;
  std::string why;
  std::optional<std::vector<checks::ColumnOverride>> overrides =
      checks::ColumnOverrides(columns, &why);
  std::optional<checks::CheckReport> report;
  if (overrides)
    report = Check(book_sets::WorkDatabase(work), book_sets::WorkDescription(work),
                   {*overrides, max_findings}, &why);
  if (!report) {
    out.json = {{"error", why}};
    out.text = "检查没有完成：" + why + "\n";
    return out;
  }
  out.json = checks::ReportJson(*report);
  out.text = "检查：\n" + checks::ReportText(*report);
  return out;
}

}  // namespace qoru::host
