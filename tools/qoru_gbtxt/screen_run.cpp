// The run of `screen` over one book set, once its parameters are checked: the book set
// loaded (after a conversion that stopped for want of a balance table, when its
// postings were imported whole), screened, its workpaper written, its report printed
// with the record of the run (run_record.h).
#include <chrono>
#include <cstdio>

#include <fmt/format.h>

#include "book_sets/child_channel.h"
#include "database/engine/engine_error.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/path_text.h"
#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/refusal.h"
#include "qoru_gbtxt/screen_command.h"
#include "screening/book_loader.h"
#include "screening/screen_output.h"
#include "screening/workpaper/workpaper.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"

namespace qoru::host {
namespace {

constexpr int kScreened = 0;  // the exit code of a run that screened its book set

}  // namespace

// The options as given, one word each, for the workpaper's record of the run.
std::vector<std::string> GivenArguments(const ScreenCommandOptions& o) {
  std::vector<std::string> words = SharedScreenArguments(o);
  if (!o.xlsx.empty()) words.push_back("--xlsx=" + o.xlsx);
  if (!o.database.empty()) words.push_back("--db=" + o.database);
  if (!o.description.empty()) words.push_back("--gssm=" + o.description);
  if (!o.source.empty()) words.push_back("--source=" + o.source);
  for (std::string& w : words) w = PathText(w);
  return words;
}

// The files of the options that a run reads: the keywords, the calendars.
void AddOptionFiles(const ScreenCommandOptions& o, book_sets::RunRecord& record) {
  if (!o.screen.keywords.empty()) record.AddFile(o.screen.keywords, "关键词文件");
  for (const std::string& h : o.screen.holidays) record.AddFile(h, "日历文件");
}

int ScreenBookSet(const std::string& database, const std::string& description,
                  const std::string& name, const screening::ScreenOptions& checked,
                  const ScreenCommandOptions& options, book_sets::RunRecord& record,
                  const std::string& failure) {
  std::optional<screening::ScreenBook> book;
  record.Start();  // hashing while the book loads, unless it began with the conversion
  try {
    book.emplace(screening::LoadScreenBook(database, description, checked.columns, name));
  } catch (const db::EngineError& e) {
    return Refuse("无法读取数据库 " + PathText(database) + "：" + e.what());
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }
  std::string note;
  if (!failure.empty()) {
    note = screening::ScreenableAfterFailure(*book, LastConversionStages(), failure);
    if (note.empty()) return Refuse("无法转换账套 " + name + "：" + failure);
    ShowText(stderr, "qoru-gbtxt：" + note + "\n");
  }
  screening::ScreenReport report;
  screening::WorkpaperInfo info;
  PauseForTestsAt("testing");
  try {
    report = screening::RunScreening(*book, checked.parameters);
    info.provenance = record.Finish(
        options.source.empty()
            ? std::string()
            : DetectBookSetEncoding(options.source, EncodingChoiceFromEnvironment()).Describe());
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }
  info.note = note;
  std::vector<std::string> written;
  if (!options.xlsx.empty()) {
    try {
      const auto start = std::chrono::steady_clock::now();
      const bool replaced =
          screening::WriteWorkpaper(options.xlsx, *book, report, info, options.overwrite);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      written.push_back(options.xlsx);
      ShowText(stderr,
               fmt::format("工作底稿已写入 {}{}（用时 {:.2f} 秒）\n", PathText(options.xlsx),
                           replaced ? "，替换了原有的同名文件（--overwrite）" : "", seconds));
    } catch (const std::exception& e) {
      return Refuse(e.what());
    }
  }
  nlohmann::ordered_json extra = {{"provenance", provenance::ProvenanceJson(info.provenance)},
                                  {"files_written", book_sets::FilesWrittenJson(written)}};
  if (!note.empty()) extra["note"] = note;
  std::string text = screening::ScreenText(*book, report, checked.max_listed);
  for (const std::string& w : written) text += "写入的文件：" + PathText(w) + "\n";
  const book_sets::ChildChannel channel = book_sets::ChildChannelOfThisProcess();
  if (options.json && channel.child())
    if (const std::string why = book_sets::WriteChildText(channel, text); !why.empty())
      return Refuse(why);
  if (options.json) {
    if (channel.summary_json) {
      std::fputs(
          screening::ScreenJsonText(screening::ScreenJson(*book, report, false, extra)).c_str(),
          stdout);
    } else {
      // Streamed: the items of a large book set are never all held as JSON.
      screening::WriteScreenJson(
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

}  // namespace qoru::host
