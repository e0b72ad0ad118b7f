// qoru-gbtxt: a command-line host for the plug-in. `convert` checks the source, prepares
// the work area, loads libqoru_ERP_GBtxt.so, calls DoIt with its own WriteLog and trace
// hook (messages to stderr and to qoru.log in the work directory), prints the result
// text and exits 0 for a path, 1 for "0", 2 for wrong arguments or a source that is not
// a book set. `inspect` previews a conversion; `check` checks a converted book set.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "book_sets/book_set_mark.h"
#include "book_sets/child_channel.h"
#include "book_sets/scratch_area.h"
#include "book_sets/work_area.h"
#include "checks/tables/column_roles.h"
#include "faces/console.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "files/temporary_folder.h"
#include "files/work_area_lock.h"
#include "host/trace.h"
#include "inspection/book_set_preflight.h"
#include "inspection/preflight_output.h"
#include "process/environment.h"
#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/plugin_library.h"
#include "qoru_gbtxt/process.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/run_log.h"
#include "qoru_gbtxt/run_summary.h"
#include "qoru_gbtxt/sample_command.h"
#include "qoru_gbtxt/screen_command.h"
#include "qoru_gbtxt/text_option.h"
#include "staging/source_encoding_copy.h"
#include "staging/source_staging.h"
#include "text/control_escape.h"
#include "text/display_width.h"
#include "text/gbk_codec.h"
#include "text/source_encoding.h"

namespace {

using qoru::host::kExitUsage;
using qoru::host::Refuse;

constexpr int kExitDone = 0;
constexpr int kExitNotConverted = 1;

qoru::host::RunLog g_log;           // qoru.log of the current run
qoru::host::RunSummary g_summary;   // what the current run did
bool g_clear_line = false;          // a terminal face may have a status line on stderr
bool g_verbose = false;             // print every statement with its time
bool g_quiet_log = false;           // the library's log is not shown (inspection)
std::string g_outcome_reason;       // why the run did not succeed, from the trace hook
std::vector<std::string> g_stages;  // the stages the run went through, from the trace hook
bool g_refused = false;             // the run refused the book set (exit 2), from the hook

// A message line on stderr. Beside a terminal face's status line it first clears
// that line, and it is broken into lines that fit the terminal, which never wraps them.
void PrintToUser(const std::string& message) {
  if (!g_clear_line) {
    qoru::ShowText(stderr, message + "\n");
    return;
  }
  std::fputs("\r\x1b[K", stderr);
  for (const std::string& line :
       qoru::TerminalLines(qoru::EscapeControls(message), qoru::console::StderrColumns()))
    qoru::ShowText(stderr, line + "\n");
}

struct ConvertOptions {
  std::string source;
  std::string work;
  std::string face;
  bool keep_work = false;
  bool json = false;
  bool verbose = false;
  bool check = false;                      // run the checks after a successful conversion
  std::vector<std::string> check_columns;  // their --column values
  std::size_t max_findings = 100;
  std::string encoding = "auto";
};

struct InspectOptions {
  std::string source;
  bool json = false;
  std::string encoding = "auto";
};

int Inspect(InspectOptions options) {
  while (options.source.size() > 1 && options.source.back() == '/') options.source.pop_back();
  // The refusals of convert, in its words, before anything is read.
  if (const std::string problem = qoru::host::EncodingOptionProblem(options.encoding);
      !problem.empty())
    return Refuse(problem);
  if (const std::string problem = qoru::book_sets::CheckSource(options.source); !problem.empty())
    return Refuse(problem);
  g_quiet_log = true;
  qoru::inspection::PreflightReport report;
  try {
    report = qoru::inspection::PreflightBookSet(options.source,
                                                qoru::ParseEncodingChoice(options.encoding));
  } catch (const qoru::book_sets::ScratchAreaError& e) {
    return Refuse(e.what());
  } catch (const std::exception& e) {
    qoru::ShowText(stderr, std::string("qoru-gbtxt：预检没有完成：") + e.what() + "\n");
    return kExitNotConverted;
  }
  if (options.json) {
    // A source path that is not UTF-8 comes out with U+FFFD instead of aborting the dump.
    std::printf("%s\n", qoru::inspection::PreflightJson(report)
                            .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                            .c_str());
  } else {
    qoru::ShowText(stdout, qoru::inspection::PreflightText(report));
  }
  return report.FirstFatal() == nullptr ? kExitDone : kExitNotConverted;
}

int Convert(ConvertOptions options) {
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
  if (!g_log.Open(options.work + "qoru.log", &reason))
    return Refuse("无法写入日志 " + qoru::PathText(options.work) + "qoru.log（" + reason + "）");
  g_log.Write("开始转换", "源目录 " + qoru::PathText(options.source) + "，工作目录 " +
                              qoru::PathText(options.work));
  g_log.Write("编码", encoding.Describe());
  g_summary.SetEncoding(encoding.Describe());

  if (options.face.empty())
    options.face = qoru::console::StderrIsTerminal() ? "terminal" : "headless";
  qoru::process::SetEnvironment("QORU_FACE", options.face);
  g_clear_line = options.face == "terminal" && qoru::console::StderrIsTerminal();

  qoru::host::PluginLibrary library;
  if (!library.Load(&reason)) {
    g_log.Write("结果", "0（" + reason + "）");
    return Refuse(reason);
  }
  g_verbose = options.verbose;
  const std::u16string text = library.DoIt(0, options.work, options.source);

  const bool converted = text != u"0";
  const std::string why = g_outcome_reason.empty() ? "转换未成功" : g_outcome_reason;
  // The path with the bytes the user gave when it is the expected one.
  const std::string expected = qoru::book_sets::WorkDatabase(options.work);
  std::string result = "0";       // as stdout gives it
  std::string result_text = "0";  // as the summary, the JSON and the log show it (UTF-8)
  if (converted) {
    const bool as_expected = qoru::GbkToUtf16(expected) == text;
    result = as_expected ? expected : qoru::Utf16ToUtf8(text);
    result_text = as_expected ? qoru::PathText(expected) : result;
  }
  g_summary.Finish(options.work, result_text, converted ? std::string() : why);
  qoru::host::ConversionChecks checks;
  if (options.check && converted)
    checks = qoru::host::CheckConversion(options.work, options.check_columns, options.max_findings);
  if (options.json) {
    nlohmann::ordered_json summary = g_summary.Json();
    if (options.check && converted) summary["checks"] = std::move(checks.json);
    std::printf("%s\n",
                summary.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    if (!converted && options.face == "headless")
      qoru::ShowText(stderr, "转换未成功：" + why + "\n");
    // The summary first, so that the result is the last line a user sees.
    const std::string summary = g_summary.Text() + checks.text;
    for (std::size_t start = 0; start < summary.size();) {
      const std::size_t end = summary.find('\n', start);
      PrintToUser(summary.substr(start, end - start));
      start = end == std::string::npos ? summary.size() : end + 1;
    }
    std::fflush(stderr);
    qoru::ShowText(stdout, result + "\n");
  }
  g_log.Write("摘要", g_summary.Text() + checks.text);
  g_log.Write("结果", converted ? result_text : "0（" + why + "）");
  // A book set that the run refused as it stands is a refusal like the ones before it.
  if (!converted && g_refused) return kExitUsage;
  return converted ? kExitDone : kExitNotConverted;
}

// Check and screen convert a book set given by its source through the library in this
// process, without a window; the reason of a failed conversion is the host log's.
bool ConvertInProcess(const std::string& work, const std::string& source, std::string* why) {
  g_stages.clear();
  qoru::host::PluginLibrary library;
  if (!library.Load(why)) return false;
  if (library.DoIt(0, work, source) != u"0") return true;
  *why = g_outcome_reason.empty() ? "转换未成功" : g_outcome_reason;
  return false;
}

// The preamble check and screen share: the encoding option, then the command itself.
template <typename Options>
int RunReadingCommand(Options options, int (*run)(Options, const qoru::host::Converter&)) {
  g_quiet_log = true;
  if (const std::string problem = qoru::host::EncodingOptionProblem(options.encoding);
      !problem.empty())
    return Refuse(problem);
  qoru::host::UseEncodingChoice(options.encoding);
  qoru::process::SetEnvironment("QORU_FACE", "headless");
  return run(std::move(options), ConvertInProcess);
}

int CheckCommand(qoru::host::CheckCommandOptions options) {
  return RunReadingCommand(std::move(options), &qoru::host::RunCheckCommand);
}

int ScreenCommand(qoru::host::ScreenCommandOptions options) {
  return RunReadingCommand(std::move(options), &qoru::host::RunScreenCommand);
}

int SampleCommand(qoru::host::SampleCommandOptions options) {
  return RunReadingCommand(std::move(options), &qoru::host::RunSampleCommand);
}

}  // namespace

// The host's log, found by the library in this process.
extern "C" QORU_HOST_EXPORT void QORU_HOST_CALL WriteLog(void* /*instance*/, int level,
                                                         const char16_t* message) {
  if (g_quiet_log) return;
  const std::string text = qoru::Utf16ToUtf8(message ? message : u"");
  const std::string word = qoru::host::LevelWord(level);
  PrintToUser(word + "：" + text);
  g_log.Write("日志（" + word + "）", text);
}

// The library's trace hook: what the user saw beside the log goes to qoru.log too.
extern "C" QORU_HOST_EXPORT int QoruTrace(int kind, const char* text, double seconds) {
  const std::string message = text != nullptr ? text : "";
  switch (kind) {
    case qoru::kTraceHello:
      return 1 << qoru::kTraceStatus | 1 << qoru::kTraceNotice | 1 << qoru::kTraceErrorBox |
             1 << qoru::kTraceOutcome | 1 << qoru::kTraceRejected | 1 << qoru::kTraceStage |
             1 << qoru::kTraceRefused | (g_verbose ? 1 << qoru::kTraceStatement : 0);
    case qoru::kTraceStatement:
      PrintToUser(fmt::format("语句（{:.3f} 秒）：{}", seconds, message));
      break;
    case qoru::kTraceRejected: {
      const std::size_t cut = message.find('\n');
      g_summary.AddRejected(message.substr(0, cut),
                            cut == std::string::npos ? std::string() : message.substr(cut + 1));
      break;
    }
    case qoru::kTraceStage:
      g_summary.AddStage(message, seconds);
      g_stages.push_back(message);
      break;
    case qoru::kTraceStatus:
      g_log.Write("状态", message);
      break;
    case qoru::kTraceNotice:
      g_log.Write("提示", message);
      break;
    case qoru::kTraceErrorBox:
      g_log.Write("错误框", message);
      break;
    case qoru::kTraceOutcome:
      if (message.rfind("0\n", 0) == 0) g_outcome_reason = message.substr(2);
      break;
    case qoru::kTraceRefused:
      g_refused = true;
      break;
    default:
      break;
  }
  return 0;
}

const std::vector<std::string>& qoru::host::LastConversionStages() {
  return g_stages;
}

// Called by the platform's main (process_posix.cpp, process_win.cpp) with the arguments
// as GBK byte strings.
int qoru::host::HostMain(int argc, char** argv) {
  // From here on an interrupt leaves no temporary folder and no partial file behind.
  qoru::EndInterruptedRunsCleanly();
  CLI::App app{
      "qoru-gbtxt：把账套文本数据（GBK 或 UTF-8 编码、制表符分隔的文本文件和格式说明 GSSM.txt）"
      "转换为暂存数据库 GBA.mdb（SQLite 3 格式）。",
      "qoru-gbtxt"};
  qoru::host::UseChinese(app);
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("qoru-gbtxt ") + QORU_VERSION, "显示版本并退出");
  app.footer(
      "退出码：0 转换成功（标准输出为数据库路径），1 转换未成功（标准输出为 0），"
      "2 参数错误或源目录不是账套。check 的退出码见 qoru-gbtxt check --help。");

  ConvertOptions convert_options;
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

  InspectOptions inspect_options;
  CLI::App* inspect = app.add_subcommand(
      "inspect",
      "预检一个账套而不转换：读取 GSSM.txt，逐个读取表文件，报告各节、各表的文件、列和行数、"
      "辅助核算项与档案的对应、缺少的文件，以及转换会在哪一行停止。转换会成功时以 0 退出，"
      "会失败时以 1 退出（先写原因）。");
  inspect->group("子命令");
  inspect->footer(
      "退出码：0 转换会成功，1 转换会失败（先写原因），"
      "2 参数错误或源目录不是账套（与 convert 相同的拒绝）。");
  qoru::host::UseChinese(*inspect);
  inspect
      ->add_option("--source", inspect_options.source,
                   "源目录：账套的 *.txt 文件和 GSSM.txt 所在的目录")
      ->required()
      ->type_name("目录");
  qoru::host::AddEncodingOption(*inspect, inspect_options.encoding);
  inspect->add_flag("--json", inspect_options.json, "在标准输出打印一个 JSON 对象代替文字报告");

  qoru::host::CheckCommandOptions check_options;
  CLI::App* check = qoru::host::AddCheckSubcommand(app, check_options);
  qoru::host::ScreenCommandOptions screen_options;
  CLI::App* screen = qoru::host::AddScreenSubcommand(app, screen_options);
  qoru::host::SampleCommandOptions sample_options;
  CLI::App* sample = qoru::host::AddSampleSubcommand(app, sample_options);

  std::vector<std::string> args(argv + 1, argv + argc);
  if (const std::string problem =
          qoru::host::CheckTopLevelWord(args, {"convert", "inspect", "check", "screen", "sample"});
      !problem.empty())
    return Refuse(problem + "；用 qoru-gbtxt --help 查看用法");
  if (const std::string problem = qoru::host::CheckOptionWords(app, args); !problem.empty())
    return Refuse(problem + "用 qoru-gbtxt " + args.front() + " --help 查看用法");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return kExitDone;
  } catch (const CLI::CallForVersion&) {
    std::printf("qoru-gbtxt %s\n", QORU_VERSION);
    return kExitDone;
  } catch (const CLI::ParseError& e) {
    return Refuse(qoru::host::ArgumentErrorText(e) + "；用 qoru-gbtxt --help 查看用法");
  }
  // What runs killed outright left (a child's parent has just done this).
  if (!qoru::book_sets::ChildChannelOfThisProcess().child())
    if (const std::string line = qoru::AbandonedFoldersLine(qoru::RemoveAbandonedFolders());
        !line.empty())
      std::fprintf(stderr, "%s\n", line.c_str());
  if (convert->parsed()) return Convert(convert_options);
  if (inspect->parsed()) return Inspect(inspect_options);
  if (check->parsed()) return CheckCommand(std::move(check_options));
  if (screen->parsed()) return ScreenCommand(std::move(screen_options));
  if (sample->parsed()) return SampleCommand(std::move(sample_options));
  return Refuse("缺少子命令");
}
