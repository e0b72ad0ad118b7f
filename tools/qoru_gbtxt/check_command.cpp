#include "qoru_gbtxt/check_command.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "checks/book_checks.h"
#include "checks/report_output.h"
#include "checks/tables/book_tables.h"
#include "checks/values/amount.h"
#include "database/engine/engine_error.h"
#include "errors/errors.h"
#include "faces/console.h"
#include "files/file_system.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/scratch_area.h"
#include "qoru_gbtxt/work_area.h"

namespace qoru::host {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;

int Refuse(const std::string& message) {
  std::fprintf(stderr, "qoru-gbtxt：%s\n", message.c_str());
  return kExitUsage;
}

// The overrides of `columns`; nullopt with the reason in `error` for a wrong one.
std::optional<std::vector<checks::ColumnOverride>> Overrides(
    const std::vector<std::string>& columns, std::string* error) {
  std::vector<checks::ColumnOverride> out;
  for (const std::string& text : columns) {
    std::optional<checks::ColumnOverride> o = checks::ParseColumnOverride(text, error);
    if (!o) return std::nullopt;
    out.push_back(std::move(*o));
  }
  return out;
}

// Runs the checks; the report, or nullopt with the reason of a failure in `why`.
std::optional<checks::CheckReport> Check(const std::string& database,
                                         const std::string& description,
                                         const checks::CheckOptions& options, std::string* why) {
  try {
    return checks::RunChecks(database, description, options);
  } catch (const db::EngineError& e) {
    *why = "无法读取数据库 " + database + "：" + e.what();
  } catch (const checks::AmountOverflow& e) {
    *why = std::string("检查没有完成：") + e.what();
  } catch (const std::exception& e) {
    *why = e.what();
  }
  return std::nullopt;
}

int Report(const checks::CheckReport& report, const CheckCommandOptions& options) {
  if (options.json) {
    std::printf("%s\n", checks::ReportJsonText(checks::ReportJson(report)).c_str());
  } else {
    std::fputs(checks::ReportText(report).c_str(), stdout);
  }
  const bool failed = report.Errors() > 0 || (options.strict && report.Warnings() > 0);
  return failed ? kExitFindings : kExitClean;
}

}  // namespace

CLI::App* AddCheckSubcommand(CLI::App& app, CheckCommandOptions& options) {
  CLI::App* check = app.add_subcommand(
      "check",
      "检查账套是否自洽：凭证借贷平衡、凭证号连续、余额表的期初 + 发生 = 期末、"
      "凭证发生额与余额表一致、上级科目等于下级合计、试算平衡、科目都在会计科目表中、"
      "分录记在末级科目、凭证日期在账套年度内、金额和日期可以读取。每个问题一行，写明检查项、"
      "严重程度、表和行、凭证或科目和金额；然后每项检查一行计数，最后是合计和用时。");
  check->group("子命令");
  check->footer(
      "退出码：0 没有错误级的问题，1 有错误级的问题（加 --strict 时警告也算），"
      "2 参数错误或输入无法读取。");
  UseChinese(*check);
  CLI::Option* db = check
                        ->add_option("--db", options.database,
                                     "转换得到的数据库 GBA.mdb；表按同一目录下的 GSSM.txt 查找")
                        ->type_name("文件");
  check
      ->add_option("--source", options.source,
                   "账套目录：先用本库转换到一个临时目录（结束后删除，不写用户的任何文件）"
                   "再检查，结果与 --db 相同")
      ->type_name("目录")
      ->excludes(db);
  check
      ->add_option("--gssm", options.description,
                   "与 --db 一起使用：格式说明文件（默认为数据库所在目录下的 GSSM.txt）")
      ->type_name("文件")
      ->needs(db);
  check
      ->add_option("--column", options.columns,
                   "指定某个角色的列，格式 表.角色=列名，例如 postings.date=业务日期；表为 "
                   "postings、balances 或 chart，可重复")
      ->type_name("表.角色=列名");
  check
      ->add_option("--max-findings", options.max_findings,
                   "每项检查最多列出的问题数（默认 100）；计数总是完整的")
      ->type_name("N");
  check->add_flag("--strict", options.strict, "警告也算作错误（退出码 1）");
  check->add_flag("--json", options.json, "在标准输出打印一个 JSON 对象代替文字报告");
  return check;
}

int RunCheckCommand(CheckCommandOptions options, const Converter& convert) {
  if (options.database.empty() && options.source.empty())
    return Refuse("check 需要 --db 或 --source；用 qoru-gbtxt check --help 查看用法");
  std::string error;
  const auto overrides = Overrides(options.columns, &error);
  if (!overrides) return Refuse(error);
  const checks::CheckOptions check_options{*overrides, options.max_findings};

  if (!options.database.empty()) {
    if (!IsRegularFile(options.database)) {
      return Refuse(PathExists(options.database) ? "数据库路径不是文件：" + options.database
                                                 : "数据库文件不存在：" + options.database);
    }
    if (options.description.empty()) {
      const std::string dir = std::filesystem::path(options.database).parent_path().string();
      options.description = (dir.empty() ? "" : dir + "/") + "GSSM.txt";
    }
    std::string why;
    const auto report = Check(options.database, options.description, check_options, &why);
    if (!report) return Refuse(why);
    return Report(*report, options);
  }

  while (options.source.size() > 1 && options.source.back() == '/') options.source.pop_back();
  if (const std::string problem = CheckSource(options.source); !problem.empty())
    return Refuse(problem);
  std::optional<ScratchArea> area;
  try {
    area.emplace("qoru-check");
  } catch (const std::runtime_error& e) {
    return Refuse(e.what());
  }
  const ScratchArea& scratch = *area;
  if (console::StderrIsTerminal())
    std::fprintf(stderr, "正在把账套转换到临时目录 %s……\n", scratch.work().c_str());
  std::string why;
  const bool converted = convert(scratch.work(), options.source, &why);
  const std::string database = WorkDatabase(scratch.work());
  if (!converted) {
    if (!IsRegularFile(database)) return Refuse("无法转换账套 " + options.source + "：" + why);
    // The tables imported before the run stopped are still there to be checked.
    std::fprintf(stderr, "qoru-gbtxt：转换没有完成（%s），检查已导入的表\n", why.c_str());
  }
  const auto report = Check(database, WorkDescription(scratch.work()), check_options, &why);
  if (!report) return Refuse(why);
  return Report(*report, options);
}

std::string ColumnOptionsProblem(const std::vector<std::string>& columns) {
  std::string error;
  return Overrides(columns, &error) ? std::string() : error;
}

ConversionChecks CheckConversion(const std::string& work, const std::vector<std::string>& columns,
                                 std::size_t max_findings) {
  ConversionChecks out;
  std::string why;
  std::optional<std::vector<checks::ColumnOverride>> overrides = Overrides(columns, &why);
  std::optional<checks::CheckReport> report;
  if (overrides)
    report = Check(WorkDatabase(work), WorkDescription(work), {*overrides, max_findings}, &why);
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
