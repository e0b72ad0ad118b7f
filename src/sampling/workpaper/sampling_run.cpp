#include "sampling/workpaper/sampling_run.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <thread>

#include "book_sets/refusal.h"
#include "book_sets/run_record.h"
#include "checks/tables/column_roles.h"
#include "database/engine/engine_error.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "sampling/report/sample_draw.h"
#include "sampling/report/sample_report.h"
#include "sampling/sample_run.h"
#include "sampling/workpaper/book_set_check.h"
#include "sampling/workpaper/evaluation_report.h"
#include "sampling/workpaper/sample_workpaper.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::sampling {
namespace {

using book_sets::Refuse;

// JSON goes out as it stands: its own escapes keep it whole.
void PrintJson(const nlohmann::ordered_json& j) {
  const std::string text = j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// The options as given, one word each, for the record of the run.
std::vector<std::string> GivenArguments(const SamplingRequest& o) {
  std::vector<std::string> words;
  // One word each, so that a value beginning with "-" stays a value.
  const auto add = [&](const char* option, const std::string& value) {
    if (!value.empty()) words.push_back(std::string(option) + "=" + value);
  };
  const SampleOptionTexts& t = o.sample;
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
  add("--db", o.input.database);
  add("--gssm", o.input.description);
  add("--source", o.input.source);
  if (!o.input.source.empty()) add("--encoding", o.encoding);
  for (std::string& w : words) w = PathText(w);
  return words;
}

// Why the workpaper cannot be written at --xlsx, or empty.
std::string XlsxProblem(const SamplingRequest& o) {
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

int EvaluateWorkpaper(const SamplingRequest& o) {
  const std::string shown = PathText(o.evaluate);
  if (!o.xlsx.empty() && (o.xlsx == o.evaluate || os::SameFile(o.xlsx, o.evaluate)))
    return Refuse("--xlsx 不能是要评价的工作底稿本身：评价从不写入审计人员的文件，请换一个文件名");
  if (const std::string problem = XlsxProblem(o); !problem.empty()) return Refuse(problem);
  book_sets::RunRecord record("sample", GivenArguments(o), o.preparer);
  record.AddFile(o.evaluate, "抽样工作底稿");
  try {
    const ReadWorkpaper w = ReadSampleWorkpaper(o.evaluate, shown);
    const BookSetCheck files = CheckBookSet(w.plan.files, PathFromText, Threads());
    if (const std::string problem = ChangedBookSetProblem(files); !problem.empty())
      return Refuse(problem);
    for (const std::string& note : MissingFileNotes(files)) ShowText(stderr, note + "\n");
    const Evaluation e = Evaluate(w.plan, w.items);
    provenance::Provenance run = record.Finish();
    run.files.insert(run.files.end(), files.read.begin(), files.read.end());
    std::vector<std::string> written;
    if (!o.xlsx.empty()) {
      const bool replaced = WriteEvaluationWorkpaper(o.xlsx, e, w, shown, run, o.overwrite);
      written.push_back(o.xlsx);
      SayWritten("评价工作底稿", o.xlsx, replaced);
    }
    if (o.json) {
      nlohmann::ordered_json j = EvaluationJson(e, w, shown);
      j["provenance"] = provenance::ProvenanceJson(run);
      j["files_written"] = book_sets::FilesWrittenJson(written);
      PrintJson(j);
    } else {
      ShowText(stdout, EvaluationText(e, w, shown));
    }
  } catch (const std::exception& ex) {
    return Refuse(ex.what());
  }
  return 0;
}

// Draws the sample of the book set; `record` holds its files, hashed while the book set
// is read when the workpaper or the JSON records them.
int DrawSampleFrom(const book_sets::InputBookSet& b, const SampleRequest& request,
                   const std::vector<checks::ColumnOverride>& overrides, const SamplingRequest& o,
                   book_sets::RunRecord& record) {
  const bool recorded = !o.xlsx.empty() || o.json;
  if (recorded) record.Start();
  try {
    const DrawnSample d = DrawFromDatabase(b.database, b.description, overrides, request, b.name);
    const ReportContext c{d.book, d.sample, d.items};
    WorkpaperInfo info;
    if (recorded)
      info.provenance = record.Finish(
          o.input.source.empty()
              ? std::string()
              : DetectBookSetEncoding(o.input.source, EncodingChoiceFromEnvironment()).Describe());
    std::vector<std::string> written;
    if (!o.xlsx.empty()) {
      const bool replaced =
          WriteSampleWorkpaper(o.xlsx, d.book, d.sample, d.items, info, o.overwrite);
      written.push_back(o.xlsx);
      SayWritten("工作底稿", o.xlsx, replaced);
    }
    if (o.json) {
      nlohmann::ordered_json j = SampleJson(c);
      j["provenance"] = provenance::ProvenanceJson(info.provenance);
      j["files_written"] = book_sets::FilesWrittenJson(written);
      PrintJson(j);
    } else {
      std::string text = SampleText(c);
      for (const std::string& w : written) text += "写入的文件：" + PathText(w) + "\n";
      ShowText(stdout, text);
    }
  } catch (const db::EngineError& e) {
    return Refuse("无法读取数据库 " + PathText(b.database) + "：" + e.what());
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }
  return 0;
}

}  // namespace

int RunSampling(SamplingRequest o, const book_sets::Converter& convert) {
  if (!o.evaluate.empty()) return EvaluateWorkpaper(o);
  if (o.input.database.empty() && o.input.source.empty())
    return Refuse("sample 需要 --db、--source 或 --evaluate；用 qoru-gbtxt sample --help 查看用法");
  std::string error;
  const std::optional<SampleRequest> request = ParseSampleRequest(o.sample, ClockSeed(), &error);
  if (!request) return Refuse(error);
  const std::optional<std::vector<checks::ColumnOverride>> overrides =
      checks::ColumnOverrides(o.columns, &error);
  if (!overrides) return Refuse(error);
  if (const std::string problem = XlsxProblem(o); !problem.empty()) return Refuse(problem);
  book_sets::InputBookSet book_set;
  const bool recorded = !o.xlsx.empty() || o.json;  // the files of the JSON or the workpaper
  if (const book_sets::InputProblem problem =
          book_sets::CheckInput(o.input, "sample", "抽样", book_set);
      !problem.message.empty())
    return Refuse(problem.message);
  // The source's files are hashed while the book set converts.
  book_sets::RunRecord record("sample", GivenArguments(o), o.preparer);
  if (const std::string why =
          book_sets::ReadInput(book_set, o.input, convert, record, recorded, false);
      !why.empty())
    return Refuse(why);
  return DrawSampleFrom(book_set, *request, *overrides, o, record);
}

}  // namespace qoru::sampling
