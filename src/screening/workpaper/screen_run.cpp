#include "screening/workpaper/screen_run.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include <fmt/format.h>

#include "book_sets/child_channel.h"
#include "book_sets/many_book_sets.h"
#include "book_sets/refusal.h"
#include "book_sets/run_record.h"
#include "database/engine/engine_error.h"
#include "files/interrupt_cleanup.h"
#include "files/path_text.h"
#include "screening/book_loader.h"
#include "screening/merged_report.h"
#include "screening/screen_output.h"
#include "screening/workpaper/workpaper.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::screening {
namespace {

using book_sets::kExitUsage;
using book_sets::Refuse;

constexpr int kScreened = 0;  // the exit code of a run that screened its book set

// Every parameter; the --xlsx target when it names one file (a single book set).
std::optional<ScreenOptions> CheckParameters(const ScreenRequest& r, bool many,
                                             std::string* error) {
  std::optional<ScreenOptions> c = ParseScreenOptions(r.screen, error);
  if (!c) return std::nullopt;
  if (!r.xlsx.empty() && !many) {
    if (const std::string problem = workbook::TargetProblem(r.xlsx, r.overwrite);
        !problem.empty()) {
      *error = "--xlsx 的值 " + problem;
      return std::nullopt;
    }
  }
  return c;
}

// The options every screening run shares, as the words of a command line (for the
// process of each book set of many).
std::vector<std::string> SharedScreenArguments(const ScreenRequest& r) {
  std::vector<std::string> words;
  // One word each, so that a value beginning with "-" stays a value.
  const auto add = [&](const char* option, const std::string& value) {
    words.push_back(std::string(option) + "=" + value);
  };
  for (const std::string& c : r.screen.columns) add("--column", c);
  add("--max-listed", r.screen.max_listed);
  if (!r.screen.materiality.empty()) add("--materiality", r.screen.materiality);
  add("--round-unit", r.screen.round_unit);
  add("--round-min", r.screen.round_min);
  add("--rare-preparer", r.screen.rare_preparer);
  add("--rare-pair", r.screen.rare_pair);
  add("--seldom", r.screen.seldom);
  add("--period-end-days", r.screen.period_end_days);
  add("--duplicate-days", r.screen.duplicate_days);
  for (const std::string& k : r.screen.keyword) add("--keyword", k);
  if (!r.screen.keywords.empty()) add("--keywords", r.screen.keywords);
  for (const std::string& h : r.screen.holidays) add("--holidays", h);
  if (!r.preparer.empty()) add("--preparer", r.preparer);
  if (r.overwrite) words.push_back("--overwrite");
  add("--encoding", r.encoding);
  return words;
}

// The options as given, one word each, for the workpaper's record of the run.
std::vector<std::string> GivenArguments(const ScreenRequest& r) {
  std::vector<std::string> words = SharedScreenArguments(r);
  if (!r.xlsx.empty()) words.push_back("--xlsx=" + r.xlsx);
  return book_sets::RecordedWords(std::move(words), r.input);
}

// Screens the book set: loaded (after a conversion that stopped for want of a balance
// table, when its postings were imported whole), screened, its workpaper written, its
// report printed with the record of the run.
int ScreenBookSet(const book_sets::InputBookSet& b, const ScreenOptions& checked,
                  const ScreenRequest& r, book_sets::RunRecord& record) {
  std::optional<ScreenBook> book;
  // The files are hashed for the JSON and the workpaper, which record them; the text
  // report does not.
  const bool recorded = r.json || !r.xlsx.empty();
  if (recorded)
    record.Start();  // hashing while the book loads, unless it began with the conversion
  try {
    book.emplace(LoadScreenBook(b.database, b.description, checked.columns, b.name));
  } catch (const db::EngineError& e) {
    return Refuse("无法读取数据库 " + PathText(b.database) + "：" + e.what());
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }
  std::string note;
  if (!b.failure.empty()) {
    note = ScreenableAfterFailure(*book, b.stages, b.failure);
    if (note.empty()) return Refuse("无法转换账套 " + b.name + "：" + b.failure);
    ShowText(stderr, "qoru-gbtxt：" + note + "\n");
  }
  ScreenReport report;
  WorkpaperInfo info;
  PauseForTestsAt("testing");
  try {
    report = RunScreening(*book, checked.parameters);
    if (recorded)
      info.provenance = record.Finish(
          r.input.source.empty()
              ? std::string()
              : DetectBookSetEncoding(r.input.source, EncodingChoiceFromEnvironment()).Describe());
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }
  info.note = note;
  std::vector<std::string> written;
  if (!r.xlsx.empty()) {
    try {
      const auto start = std::chrono::steady_clock::now();
      const bool replaced = WriteWorkpaper(r.xlsx, *book, report, info, r.overwrite);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      written.push_back(r.xlsx);
      ShowText(stderr,
               fmt::format("工作底稿已写入 {}{}（用时 {:.2f} 秒）\n", PathText(r.xlsx),
                           replaced ? "，替换了原有的同名文件（--overwrite）" : "", seconds));
    } catch (const std::exception& e) {
      return Refuse(e.what());
    }
  }
  nlohmann::ordered_json extra = {{"provenance", provenance::ProvenanceJson(info.provenance)},
                                  {"files_written", book_sets::FilesWrittenJson(written)}};
  if (!note.empty()) extra["note"] = note;
  std::string text = ScreenText(*book, report, checked.max_listed);
  for (const std::string& w : written) text += "写入的文件：" + PathText(w) + "\n";
  const book_sets::ChildChannel channel = book_sets::ChildChannelOfThisProcess();
  if (r.json && channel.child())
    if (const std::string why = book_sets::WriteChildText(channel, text); !why.empty())
      return Refuse(why);
  if (r.json) {
    if (channel.summary_json) {
      std::fputs(ScreenJsonText(ScreenJson(*book, report, false, extra)).c_str(), stdout);
    } else {
      // Streamed: the items of a large book set are never all held as JSON.
      WriteScreenJson(
          *book, report,
          [](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); },
          extra);
    }
    std::fputc('\n', stdout);
  } else {
    ShowText(stdout, text);
  }
  return kScreened;
}

// `screen` over several --db or --source, or --each, its parameters already checked:
// one table, or one JSON object {"book_sets": [...], "items"}; with --xlsx the folder it
// names (made when missing) gets one workpaper per book set, named after it.
int RunManyScreens(const ScreenRequest& r) {
  book_sets::ManyRequest request = book_sets::RequestFor(r, "screen");
  request.arguments = SharedScreenArguments(r);
  request.jobs = r.jobs;
  // Without --json only the counts of each book set are needed, not its every item.
  request.summary_json = !r.json;
  const std::optional<book_sets::MergedReport> merged =
      book_sets::RunManyShown(request, r.json, MergeScreenReports, ScreenJsonText);
  return merged ? merged->exit_code : kExitUsage;
}

}  // namespace

int RunScreen(ScreenRequest r, const book_sets::Converter& convert) {
  const std::size_t given = r.databases.size() + r.sources.size();
  if (given == 0 && r.each.empty())
    return Refuse("screen 需要 --db、--source 或 --each；用 qoru-gbtxt screen --help 查看用法");
  const bool many = given != 1 || !r.each.empty();
  std::string error;
  const std::optional<ScreenOptions> checked = CheckParameters(r, many, &error);
  if (!checked) return Refuse(error);
  if (many) {
    if (!r.input.description.empty()) return Refuse("--gssm 只能与一个 --db 一起使用");
    return RunManyScreens(r);
  }
  if (!r.databases.empty()) r.input.database = r.databases.front();
  if (!r.sources.empty()) r.input.source = r.sources.front();
  book_sets::InputBookSet book_set;
  if (const book_sets::InputProblem problem =
          book_sets::CheckInput(r.input, "screen", "测试", book_set);
      !problem.message.empty())
    return Refuse(problem.message);
  // The source's files are hashed while the book set converts (for the JSON and the
  // workpaper).
  book_sets::RunRecord record("screen", GivenArguments(r), r.preparer);
  if (!r.screen.keywords.empty()) record.AddFile(r.screen.keywords, "关键词文件");
  for (const std::string& h : r.screen.holidays) record.AddFile(h, "日历文件");
  if (const std::string why =
          book_sets::ReadInput(book_set, r.input, convert, record, r.json || !r.xlsx.empty(), true);
      !why.empty())
    return Refuse(why);
  return ScreenBookSet(book_set, *checked, r, record);
}

}  // namespace qoru::screening
