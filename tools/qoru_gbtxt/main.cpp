// qoru-gbtxt: a command-line host for the plug-in. `convert` checks the source, prepares
// the work area, loads libqoru_ERP_GBtxt.so, calls DoIt with its own WriteLog and trace
// hook (messages to stderr and to qoru.log in the work directory), prints the result
// text and exits 0 for a path, 1 for "0", 2 for wrong arguments or a source that is not
// a book set. `inspect` previews a conversion; `check` checks a converted book set.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "book_sets/child_channel.h"
#include "files/interrupt_cleanup.h"
#include "files/temporary_folder.h"
#include "process/environment.h"
#include "process/program_entry.h"
#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/convert_command.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/inspect_command.h"
#include "qoru_gbtxt/library_run.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/sample_command.h"
#include "qoru_gbtxt/screen_command.h"

namespace {

using qoru::host::kExitDone;
using qoru::host::Refuse;

// The preamble check, screen and sample share: the encoding option, then the command itself.
template <typename Options>
int RunReadingCommand(Options options, int (*run)(Options, const qoru::book_sets::Converter&)) {
  qoru::host::CurrentRun().quiet_log = true;
  if (const std::string problem = qoru::host::EncodingOptionProblem(options.encoding);
      !problem.empty())
    return Refuse(problem);
  qoru::host::UseEncodingChoice(options.encoding);
  qoru::process::SetEnvironment("QORU_FACE", "headless");
  return run(std::move(options), qoru::host::ConvertInProcess);
}

}  // namespace

// Called by the platform's main (process_posix.cpp, process_win.cpp) with the arguments
// as GBK byte strings.
int qoru::process::HostMain(int argc, char** argv) {
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

  qoru::host::ConvertOptions convert_options;
  CLI::App* convert = qoru::host::AddConvertSubcommand(app, convert_options);
  qoru::host::InspectOptions inspect_options;
  CLI::App* inspect = qoru::host::AddInspectSubcommand(app, inspect_options);
  qoru::checks::CheckRequest check_options;
  CLI::App* check = qoru::host::AddCheckSubcommand(app, check_options);
  qoru::screening::ScreenRequest screen_options;
  CLI::App* screen = qoru::host::AddScreenSubcommand(app, screen_options);
  qoru::sampling::SamplingRequest sample_options;
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
  if (convert->parsed()) return qoru::host::RunConvertCommand(convert_options);
  if (inspect->parsed()) return qoru::host::RunInspectCommand(inspect_options);
  if (check->parsed()) return RunReadingCommand(std::move(check_options), &qoru::checks::RunCheck);
  if (screen->parsed())
    return RunReadingCommand(std::move(screen_options), &qoru::screening::RunScreen);
  if (sample->parsed())
    return RunReadingCommand(std::move(sample_options), &qoru::sampling::RunSampling);
  return Refuse("缺少子命令");
}
