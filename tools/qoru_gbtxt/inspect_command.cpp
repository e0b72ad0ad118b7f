#include "qoru_gbtxt/inspect_command.h"

#include <cstdio>
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "book_sets/scratch_area.h"
#include "book_sets/work_area.h"
#include "inspection/book_set_inspection.h"
#include "inspection/inspection_output.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/convert_command.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/library_run.h"
#include "qoru_gbtxt/refusal.h"
#include "text/control_escape.h"
#include "text/source_encoding.h"

namespace qoru::host {

CLI::App* AddInspectSubcommand(CLI::App& app, InspectOptions& inspect_options) {
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
  return inspect;
}

int RunInspectCommand(InspectOptions options) {
  while (options.source.size() > 1 && options.source.back() == '/') options.source.pop_back();
  // The refusals of convert, in its words, before anything is read.
  if (const std::string problem = qoru::host::EncodingOptionProblem(options.encoding);
      !problem.empty())
    return Refuse(problem);
  if (const std::string problem = qoru::book_sets::CheckSource(options.source); !problem.empty())
    return Refuse(problem);
  CurrentRun().quiet_log = true;
  qoru::inspection::InspectionReport report;
  try {
    report = qoru::inspection::InspectBookSet(options.source,
                                              qoru::ParseEncodingChoice(options.encoding));
  } catch (const qoru::book_sets::ScratchAreaError& e) {
    return Refuse(e.what());
  } catch (const std::exception& e) {
    qoru::ShowText(stderr, std::string("qoru-gbtxt：预检没有完成：") + e.what() + "\n");
    return kExitNotConverted;
  }
  if (options.json) {
    // A source path that is not UTF-8 comes out with U+FFFD instead of aborting the dump.
    std::printf("%s\n", qoru::inspection::InspectionJson(report)
                            .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                            .c_str());
  } else {
    qoru::ShowText(stdout, qoru::inspection::InspectionText(report));
  }
  return report.FirstFatal() == nullptr ? kExitDone : kExitNotConverted;
}

}  // namespace qoru::host
