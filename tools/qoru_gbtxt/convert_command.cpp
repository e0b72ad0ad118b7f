#include "qoru_gbtxt/convert_command.h"

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "book_sets/book_set_mark.h"
#include "book_sets/work_area.h"
#include "checks/check_run.h"
#include "checks/tables/column_roles.h"
#include "faces/console.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "files/work_area_lock.h"
#include "process/environment.h"
#include "process/plugin_library.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/library_run.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/text_option.h"
#include "staging/source_encoding_copy.h"
#include "staging/source_staging.h"
#include "text/control_escape.h"
#include "text/gbk_codec.h"
#include "text/source_encoding.h"

namespace qoru::host {

CLI::App* AddConvertSubcommand(CLI::App& app, ConvertOptions& convert_options) {
  CLI::App* convert = app.add_subcommand(
      "convert",
      "转换一个账套：暂存源文件，按 GSSM.txt 改写为逗号分隔文本，导入 TemplateTemp/GBA.mdb，"
      "补全会计科目，展开辅助核算并生成 aidInfo、aidVour、aidBal。成功时在标准输出打印数据库路径"
      "并以 0 退出，失败时打印 0 并以 1 退出。每次转换记录在工作目录的 qoru.log 中。");
  convert->group("子命令");
  convert->footer(
      "退出码：0 转换成功（标准输出为数据库路径），1 转换未成功（标准输出为 0），"
      "2 参数错误、源目录不是账套、源目录在工作目录之内或工作目录不可用（运行前拒绝，什么也"
      "不写），或账套不能照原样读取（格式说明中有不能作为表文件名的一行、要读的文本中有 NUL "
      "字节；标准输出为 0，原因写明文件和行）。");
  qoru::host::UseChinese(*convert);
  convert
      ->add_option("--source", convert_options.source,
                   "源目录：账套的 *.txt 文件和 GSSM.txt 所在的目录")
      ->required()
      ->type_name("目录");
  convert
      ->add_option("--work", convert_options.work,
                   "工作目录：缺少时创建，并准备 DataBase/empty.mdb（空模板）和 TemplateTemp/")
      ->required()
      ->type_name("目录");
  convert
      ->add_option("--face", convert_options.face,
                   "对话框的显示方式：terminal（标准错误上的状态行和进度条，Ctrl-C 请求关闭，"
                   "再按一次中止）、window（桌面窗口）或 headless（不显示）；默认在终端上为 "
                   "terminal，否则为 headless")
      ->type_name("方式");
  convert->add_flag("--keep-work", convert_options.keep_work,
                    "不清空 TemplateTemp：在上次转换留下的文件上转换（已有的 GBA.mdb 不会被替换，"
                    "其中已有的表不会重新导入）；只用于同一个账套，GBA.mdb 是从另一个账套转换的时"
                    "拒绝。默认在调用前清空 TemplateTemp 中的文件，以免两个账套混在一个数据库中");

  qoru::host::AddEncodingOption(*convert, convert_options.encoding);
  convert->add_flag("--json", convert_options.json,
                    "在标准输出打印一个 JSON 对象（结果、各表行数、补全的上级科目、辅助核算编码、"
                    "被拒绝的语句、各阶段用时），代替数据库路径和文字摘要");
  convert->add_flag("--verbose", convert_options.verbose, "在标准错误上打印执行的每条语句及其用时");
  CLI::Option* convert_check = convert->add_flag(
      "--check", convert_options.check,
      "转换成功后检查账套（同 check 子命令），结果加入摘要和 --json 的 \"checks\"；"
      "不改变退出码");
  TextOption(convert->add_option("--column", convert_options.check_columns,
                                 "检查时指定某个角色的列，格式 表.角色=列名（同 check），可重复"))
      ->type_name("表.角色=列名")
      ->needs(convert_check);
  convert
      ->add_option("--max-findings", convert_options.max_findings,
                   "检查时每项最多列出的问题数（默认 100）")
      ->type_name("N")
      ->needs(convert_check);
  return convert;
}

int RunConvertCommand(ConvertOptions options) {
  LibraryRun& run = CurrentRun();
  while (options.source.size() > 1 && options.source.back() == '/') options.source.pop_back();
  if (options.work.empty()) return Refuse("工作目录不能为空");
  options.work = qoru::WithSeparator(options.work);
  if (!options.face.empty() && options.face != "headless" && options.face != "terminal" &&
      options.face != "window")
    return Refuse("--face 的值无效：" + options.face + "（可选 headless、terminal、window）");

  if (const std::string problem = qoru::checks::ColumnOptionsProblem(options.check_columns);
      !problem.empty())
    return Refuse(problem);
  if (const std::string problem = qoru::host::EncodingOptionProblem(options.encoding);
      !problem.empty())
    return Refuse(problem);
  if (const std::string problem = qoru::book_sets::CheckSource(options.source); !problem.empty())
    return Refuse(problem);
  // Before TemplateTemp is emptied: a source inside it would lose its files.
  if (const std::string problem = qoru::SourceInWorkAreaProblem(options.source, options.work);
      !problem.empty())
    return Refuse(problem + "，或用 --work 换一个工作目录");
  if (const std::string problem = qoru::book_sets::MakeWorkDirectory(options.work);
      !problem.empty())
    return Refuse(problem);
  qoru::host::UseEncodingChoice(options.encoding);
  const qoru::BookSetEncoding encoding =
      qoru::DetectBookSetEncoding(options.source, qoru::ParseEncodingChoice(options.encoding));
  // One conversion per work area, from before TemplateTemp is emptied until the summary
  // has read GBA.mdb; the library takes the lock over through the environment.
  qoru::WorkAreaLock work_lock;
  if (std::string message;
      work_lock.Refuses(work_lock.TryLock(options.work), options.work, &message)) {
    qoru::ShowText(stderr, "qoru-gbtxt：" + message + "\n");
    if (options.json) {
      std::printf("%s\n", nlohmann::json{{"result", "0"}, {"reason", message}}
                              .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                              .c_str());
    } else {
      std::printf("0\n");
    }
    return kExitNotConverted;
  }
  if (work_lock.fd() >= 0)
    qoru::process::SetEnvironment(qoru::WorkAreaLock::kInheritedVariable,
                                  std::to_string(work_lock.fd()));
  if (const std::string problem = qoru::book_sets::PrepareWorkArea(options.work, options.keep_work);
      !problem.empty())
    return Refuse(problem);
  bool unmarked = false;
  if (options.keep_work) {
    const std::string problem =
        qoru::book_sets::KeepWorkProblem(options.source, options.work, &unmarked);
    if (!problem.empty()) return Refuse(problem);
  }
  if (const std::string problem = qoru::book_sets::WriteBookSetMark(options.source, options.work);
      !problem.empty())
    return Refuse(problem);
  if (unmarked)
    qoru::ShowText(stderr, "警告：无法确认 " +
                               qoru::PathText(qoru::book_sets::WorkDatabase(options.work)) +
                               " 是从同一个账套转换的（它没有账套标记）；"
                               "若不是，两个账套会混在一个数据库中\n");

  std::string reason;
  if (!run.log.Open(options.work + "qoru.log", &reason))
    return Refuse("无法写入日志 " + qoru::PathText(options.work) + "qoru.log（" + reason + "）");
  run.log.Write("开始转换", "源目录 " + qoru::PathText(options.source) + "，工作目录 " +
                                qoru::PathText(options.work));
  run.log.Write("编码", encoding.Describe());
  run.summary.SetEncoding(encoding.Describe());

  if (options.face.empty())
    options.face = qoru::console::StderrIsTerminal() ? "terminal" : "headless";
  qoru::process::SetEnvironment("QORU_FACE", options.face);
  run.clear_line = options.face == "terminal" && qoru::console::StderrIsTerminal();

  qoru::process::PluginLibrary library;
  if (!library.Load(&reason)) {
    run.log.Write("结果", "0（" + reason + "）");
    return Refuse(reason);
  }
  run.verbose = options.verbose;
  const std::u16string text = library.DoIt(0, options.work, options.source);

  const bool converted = text != u"0";
  const std::string why = run.outcome_reason.empty() ? "转换未成功" : run.outcome_reason;
  // The path with the bytes the user gave when it is the expected one.
  const std::string expected = qoru::book_sets::WorkDatabase(options.work);
  std::string result = "0";       // as stdout gives it
  std::string result_text = "0";  // as the summary, the JSON and the log show it (UTF-8)
  if (converted) {
    const bool as_expected = qoru::GbkToUtf16(expected) == text;
    result = as_expected ? expected : qoru::Utf16ToUtf8(text);
    result_text = as_expected ? qoru::PathText(expected) : result;
  }
  run.summary.Finish(options.work, result_text, converted ? std::string() : why);
  qoru::checks::ConversionChecks checks;
  if (options.check && converted)
    checks =
        qoru::checks::CheckConversion(options.work, options.check_columns, options.max_findings);
  if (options.json) {
    nlohmann::ordered_json summary = run.summary.Json();
    if (options.check && converted) summary["checks"] = std::move(checks.json);
    std::printf("%s\n",
                summary.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    if (!converted && options.face == "headless")
      qoru::ShowText(stderr, "转换未成功：" + why + "\n");
    // The summary first, so that the result is the last line a user sees.
    const std::string summary = run.summary.Text() + checks.text;
    for (std::size_t start = 0; start < summary.size();) {
      const std::size_t end = summary.find('\n', start);
      PrintToUser(summary.substr(start, end - start));
      start = end == std::string::npos ? summary.size() : end + 1;
    }
    std::fflush(stderr);
    qoru::ShowText(stdout, result + "\n");
  }
  run.log.Write("摘要", run.summary.Text() + checks.text);
  run.log.Write("结果", converted ? result_text : "0（" + why + "）");
  // A book set that the run refused as it stands is a refusal like the ones before it.
  if (!converted && run.refused) return kExitUsage;
  return converted ? kExitDone : kExitNotConverted;
}

}  // namespace qoru::host
