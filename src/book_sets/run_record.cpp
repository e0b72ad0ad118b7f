#include "book_sets/run_record.h"

#include <algorithm>
#include <ctime>
#include <thread>

#include "files/file_system.h"
#include "files/path_text.h"
#include "process/environment.h"
#include "staging/source_staging.h"
#include "text/string_list.h"

namespace qoru::book_sets {

std::string NowText() {
  const std::tm tm = process::LocalTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

RunRecord::RunRecord(std::string command, std::vector<std::string> arguments,
                     std::string preparer) {
  provenance_.version = QORU_VERSION;
  provenance_.command = std::move(command);
  provenance_.arguments = std::move(arguments);
  provenance_.preparer = std::move(preparer);
  provenance_.started = NowText();
}

RunRecord::~RunRecord() {
  if (hashed_.valid()) hashed_.wait();
}

void RunRecord::AddSource(const std::string& source) {
  StringList list;
  list.SetCommaText(ListSourceFiles(source));
  // In the order of their names: the record reads alike on every system.
  std::vector<std::string> names(list.begin(), list.end());
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = source + "/" + name;
    if (!IsRegularFile(path)) continue;
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    AddFile(path, lower == "gssm.txt" ? "格式说明" : "表文件");
  }
}

void RunRecord::AddDatabase(const std::string& database, const std::string& description) {
  AddFile(database, "数据库");
  if (IsRegularFile(description)) AddFile(description, "格式说明");
}

void RunRecord::AddFile(const std::string& path, std::string role) {
  files_.emplace_back(path, std::move(role));
}

void RunRecord::Start() {
  if (hashed_.valid()) return;
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  hashed_ = std::async(std::launch::async, [files = files_, threads] {
    return provenance::RecordFiles(files, threads);
  });
}

provenance::Provenance RunRecord::Finish(std::string encoding) {
  if (!hashed_.valid()) Start();
  provenance_.files = hashed_.get();
  provenance_.encoding = std::move(encoding);
  provenance_.ended = NowText();
  return provenance_;
}

nlohmann::ordered_json FilesWrittenJson(const std::vector<std::string>& paths) {
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const std::string& p : paths) out.push_back(PathText(p));
  return out;
}

}  // namespace qoru::book_sets
