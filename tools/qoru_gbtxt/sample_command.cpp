#include "qoru_gbtxt/sample_command.h"

#include <cstdio>
#include <optional>
#include <thread>

#include "book_sets/run_record.h"
#include "book_sets/scratch_area.h"
#include "book_sets/work_area.h"
#include "checks/tables/table_preconditions.h"
#include "database/engine/engine_error.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/text_option.h"
#include "sampling/report/sample_draw.h"
#include "sampling/report/sample_report.h"
#include "sampling/workpaper/book_set_check.h"
#include "sampling/workpaper/evaluation_report.h"
#include "sampling/workpaper/sample_workpaper.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::host {
namespace {

// JSON goes out as it stands: its own escapes keep it whole.
void PrintJson(const nlohmann::ordered_json& j) {
  const std::string text = j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// The options as given, one word each, for the record of the run.
std::vector<std::string> GivenArguments(const SampleCommandOptions& o) {
  std::vector<std::string> words;
  // One word each, so that a value beginning with "-" stays a value.
  const auto add = [&](const char* option, const std::string& value) {
    if (!value.empty()) words.push_back(std::string(option) + "=" + value);
  };
  const sampling::SampleOptionTexts& t = o.sample;
  if (o.evaluate.empty()) {
    add("--unit", t.unit);
    for (const std::string& a : t.accounts) add("--account", a);
    add("--side", t.side);
    add("--method", t.method);
    add("--size", t.size);
    add("--confidence", t.confidence);
    add("--tolerable", t.tolerable);
    add("--expected", t.expected);
    add("--threshold", t.threshold);
    add("--seed", t.seed);
    for (const std::string& c : o.columns) add("--column", c);
  }
  add("--evaluate", o.evaluate);
  add("--xlsx", o.xlsx);
  if (o.overwrite) words.push_back("--overwrite");
  add("--preparer", o.preparer);
  add("--db", o.database);
  add("--gssm", o.description);
  add("--source", o.source);
  if (!o.source.empty()) add("--encoding", o.encoding);
  for (std::string& w : words) w = PathText(w);
  return words;
}

// Why the workpaper cannot be written at --xlsx, or empty.
std::string XlsxProblem(const SampleCommandOptions& o) {
  if (o.xlsx.empty()) return {};
  const std::string problem = workbook::TargetProblem(o.xlsx, o.overwrite);
  return problem.empty() ? problem : "--xlsx 的值 " + problem;
}

void SayWritten(const char* what, const std::string& path, bool replaced) {
  ShowText(stderr, std::string(what) + "已写入 " + PathText(path) +
                       (replaced ? "，替换了原有的同名文件（--overwrite）" : "") + "\n");
}

unsigned Threads() {
  return std::max(1u, std::thread::hardware_concurrency());
}

int EvaluateWorkpaper(const SampleCommandOptions& o) {
  const std::string shown = PathText(o.evaluate);
  if (!o.xlsx.empty() && (o.xlsx == o.evaluate || os::SameFile(o.xlsx, o.evaluate)))
    return Refuse("--xlsx 不能是要评价的工作底稿本身：评价从不写入审计人员的文件，请换一个文件名");
  if (const std::string problem = XlsxProblem(o); !problem.empty()) return Refuse(problem);
  book_sets::RunRecord record("sample", GivenArguments(o), o.preparer);
  record.AddFile(o.evaluate, "抽样工作底稿");
  try {
    const sampling::ReadWorkpaper w = sampling::ReadSampleWorkpaper(o.evaluate, shown);
    const sampling::BookSetCheck files =
        sampling::CheckBookSet(w.plan.files, PathFromText, Threads());
    if (const std::string problem = sampling::ChangedBookSetProblem(files); !problem.empty())
      return Refuse(problem);
    for (const std::string& note : sampling::MissingFileNotes(files)) ShowText(stderr, note + "\n");
    const sampling::Evaluation e = sampling::Evaluate(w.plan, w.items);
    provenance::Provenance run = record.Finish();
    run.files.insert(run.files.end(), files.read.begin(), files.read.end());
    std::vector<std::string> written;
    if (!o.xlsx.empty()) {
      const bool replaced =
          sampling::WriteEvaluationWorkpaper(o.xlsx, e, w, shown, run, o.overwrite);
      written.push_back(o.xlsx);
      SayWritten("评价工作底稿", o.xlsx, replaced);
    }
    if (o.json) {
      nlohmann::ordered_json j = sampling::EvaluationJson(e, w, shown);
      j["provenance"] = provenance::ProvenanceJson(run);
      j["files_written"] = book_sets::FilesWrittenJson(written);
      PrintJson(j);
    } else {
      ShowText(stdout, sampling::EvaluationText(e, w, shown));
    }
  } catch (const std::exception& ex) {
    return Refuse(ex.what());
  }
  return 0;
}

// Draws the sample of the book set of `database`; `record` holds its files, hashed while
// the book set is read when the workpaper or the JSON records them.
int DrawSampleFrom(const std::string& database, const std::string& description,
                   const std::string& name, const sampling::SampleRequest& request,
                   const std::vector<checks::ColumnOverride>& overrides,
                   const SampleCommandOptions& o, book_sets::RunRecord& record) {
  const bool recorded = !o.xlsx.empty() || o.json;
  if (recorded) record.Start();
  try {
    const sampling::DrawnSample d =
        sampling::DrawFromDatabase(database, description, overrides, request, name);
    const sampling::ReportContext c{d.book, d.sample, d.items};
    sampling::WorkpaperInfo info;
    if (recorded)
      info.provenance = record.Finish(
          o.source.empty()
              ? std::string()
              : DetectBookSetEncoding(o.source, EncodingChoiceFromEnvironment()).Describe());
    std::vector<std::string> written;
    if (!o.xlsx.empty()) {
      const bool replaced =
          sampling::WriteSampleWorkpaper(o.xlsx, d.book, d.sample, d.items, info, o.overwrite);
      written.push_back(o.xlsx);
      SayWritten("工作底稿", o.xlsx, replaced);
    }
    if (o.json) {
      nlohmann::ordered_json j = sampling::SampleJson(c);
      j["provenance"] = provenance::ProvenanceJson(info.provenance);
      j["files_written"] = book_sets::FilesWrittenJson(written);
      PrintJson(j);
    } else {
      std::string text = sampling::SampleText(c);
      for (const std::string& w : written) text += "写入的文件：" + PathText(w) + "\n";
      ShowText(stdout, text);
    }
  } catch (const db::EngineError& e) {
    return Refuse("无法读取数据库 " + PathText(database) + "：" + e.what());
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }
  return 0;
}

}  // namespace

CLI::App* AddSampleSubcommand(CLI::App& app, SampleCommandOptions& o) {
  CLI::App* sample = app.add_subcommand(
      "sample",
      "审计抽样：从分录、凭证或科目余额中按货币单元抽样（系统选取）或简单随机抽样选取样本，"
      "可按置信度、可容忍错报和预计错报计算样本量，金额不小于下限的项目全部选取；同一随机种子"
      "总是得到同一样本。--evaluate "
      "读回审计人员填写了审定金额的工作底稿，推断错报并计算错报上限。");
  sample->group("子命令");
  sample->footer("退出码：0 完成，2 参数错误或输入无法读取、无法使用。");
  UseChinese(*sample);
  CLI::Option* db = sample
                        ->add_option("--db", o.database,
                                     "转换得到的数据库 GBA.mdb；表按同一目录下的 GSSM.txt 查找")
                        ->type_name("文件");
  CLI::Option* source =
      sample->add_option("--source", o.source, "账套目录：先转换到一个临时目录（结束后删除）再抽样")
          ->type_name("目录")
          ->excludes(db);
  sample
      ->add_option("--evaluate", o.evaluate,
                   "评价一份由 sample 生成、已填写审定金额（或回函金额）的工作底稿；只读取，不写入")
      ->type_name("工作底稿")
      ->excludes(db)
      ->excludes(source);
  AddEncodingOption(*sample, o.encoding);
  sample->add_option("--gssm", o.description, "与 --db 一起使用：格式说明文件")
      ->type_name("文件")
      ->needs(db);
  TextOption(sample->add_option("--column", o.columns,
                                "指定某个角色的列，格式 表.角色=列名（同 check），可重复"))
      ->type_name("表.角色=列名");
  sample
      ->add_option("--unit", o.sample.unit,
                   "抽样单位：posting（分录，默认）、voucher（凭证）或 balance（科目期末余额，"
                   "有辅助核算的按辅助核算项，如应收账款的客户）")
      ->type_name("单位");
  TextOption(sample->add_option("--account", o.sample.accounts,
                                "只抽取这个科目（含下级科目）的项目，可重复；默认全部科目"))
      ->type_name("科目编号");
  sample
      ->add_option("--side", o.sample.side, "分录或凭证取借方（debit，默认）还是贷方（credit）金额")
      ->type_name("方向");
  sample
      ->add_option("--method", o.sample.method,
                   "抽样方法：mus（货币单元抽样，默认）或 random（简单随机抽样）")
      ->type_name("方法");
  sample->add_option("--size", o.sample.size, "样本量；货币单元抽样不给时按置信度和可容忍错报计算")
      ->type_name("N");
  sample->add_option("--confidence", o.sample.confidence, "置信度（百分数，默认 95）")
      ->type_name("C");
  // Amounts may be written with 万 and 亿 or in full-width digits: text, not paths.
  TextOption(sample->add_option("--tolerable", o.sample.tolerable, "可容忍错报（金额）"))
      ->type_name("金额");
  TextOption(sample->add_option("--expected", o.sample.expected, "预计错报（金额，默认 0）"))
      ->type_name("金额");
  TextOption(sample->add_option("--threshold", o.sample.threshold,
                                "金额不小于此数的项目作为重大项目全部选取，其余再抽样"))
      ->type_name("金额");
  sample
      ->add_option("--seed", o.sample.seed,
                   "随机种子（0 至 18446744073709551615）；不给时由时钟取得并打印")
      ->type_name("S");
  sample->add_flag("--json", o.json, "在标准输出打印一个 JSON 对象代替文字报告");
  sample->add_option("--xlsx", o.xlsx, "写出 Excel 工作底稿（抽样或评价）")->type_name("文件");
  sample->add_flag("--overwrite", o.overwrite, "替换已有的同名工作底稿（只读的文件从不替换）");
  TextOption(sample->add_option("--preparer", o.preparer, "编制人：写在工作底稿的概览和 JSON 中"))
      ->type_name("姓名");
  return sample;
}

int RunSampleCommand(SampleCommandOptions o, const Converter& convert) {
  if (!o.evaluate.empty()) return EvaluateWorkpaper(o);
  if (o.database.empty() && o.source.empty())
    return Refuse("sample 需要 --db、--source 或 --evaluate；用 qoru-gbtxt sample --help 查看用法");
  std::string error;
  const std::optional<sampling::SampleRequest> request =
      sampling::ParseSampleRequest(o.sample, sampling::ClockSeed(), &error);
  if (!request) return Refuse(error);
  const std::optional<std::vector<checks::ColumnOverride>> overrides =
      checks::ColumnOverrides(o.columns, &error);
  if (!overrides) return Refuse(error);
  if (const std::string problem = XlsxProblem(o); !problem.empty()) return Refuse(problem);

  if (!o.database.empty()) {
    if (const std::string problem = book_sets::CheckDatabase(o.database); !problem.empty())
      return Refuse(problem);
    const bool given = !o.description.empty();
    if (!given) o.description = book_sets::DescriptionBeside(o.database);
    if (const std::string problem =
            checks::DescriptionProblem(o.database, o.description, given, "抽样");
        !problem.empty())
      return Refuse(problem);
    book_sets::RunRecord record("sample", GivenArguments(o), o.preparer);
    record.AddDatabase(o.database, o.description);
    return DrawSampleFrom(o.database, o.description, PathText(o.database), *request, *overrides, o,
                          record);
  }
  std::optional<book_sets::ScratchArea> area;
  if (const std::string problem = book_sets::ScratchForSource(o.source, "sample", area);
      !problem.empty())
    return Refuse(problem);
  // The source's files are hashed while the book set converts.
  book_sets::RunRecord record("sample", GivenArguments(o), o.preparer);
  record.AddSource(o.source);
  if (!o.xlsx.empty() || o.json) record.Start();
  std::string why;
  if (!convert(area->work(), o.source, &why))
    return Refuse("无法转换账套 " + PathText(o.source) + "：" + why);
  return DrawSampleFrom(book_sets::WorkDatabase(area->work()),
                        book_sets::WorkDescription(area->work()), PathText(o.source), *request,
                        *overrides, o, record);
}

}  // namespace qoru::host
