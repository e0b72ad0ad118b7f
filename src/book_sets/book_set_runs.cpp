#include "book_sets/book_set_runs.h"

#include <cerrno>
#include <chrono>
#include <map>
#include <optional>

#include "book_sets/child_channel.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/temporary_folder.h"
#include "process/child_process.h"
#include "process/environment.h"

namespace qoru::book_sets {
namespace {

using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
  std::string text;
  ReadWholeFile(path, &text);
  return text;
}

// The words of the child that checks one book set.
std::vector<std::string> ChildWords(const std::string& self, const std::string& command,
                                    const std::vector<std::string>& arguments,
                                    const BookSetInput& input) {
  std::vector<std::string> words = {self, command, "--json"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  if (!input.xlsx.empty()) {
    words.push_back("--xlsx");
    words.push_back(input.xlsx);
  }
  words.push_back(input.database ? "--db" : "--source");
  words.push_back(input.path);
  return words;
}

}  // namespace

std::vector<BookSetOutcome> RunBookSets(const std::string& self,
                                        const std::vector<std::string>& arguments,
                                        const std::vector<BookSetInput>& inputs, unsigned jobs,
                                        const std::string& command, bool summary_json) {
  std::vector<BookSetOutcome> out(inputs.size());
  std::optional<TemporaryFolder> folder;
  try {
    folder.emplace("runs");
  } catch (const FileError& e) {
    for (BookSetOutcome& o : out) o.error = e.what();
    return out;
  }
  const auto files = [&](std::size_t i) { return folder->path() + "/" + std::to_string(i); };
  // What each child is asked besides its options (child_channel.h): set for the child
  // about to start, and gone again when all have started.
  process::SetEnvironment(kChildSummaryVariable, summary_json ? "1" : "0");
  process::ChildProcesses children;
  std::map<std::size_t, Clock::time_point> started;
  std::size_t next = 0;
  if (jobs == 0) jobs = 1;
  while (next < inputs.size() || children.running() != 0) {
    while (next < inputs.size() && children.running() < jobs) {
      std::string error;
      process::SetEnvironment(kChildTextVariable, files(next) + ".txt");
      if (children.Start(next, ChildWords(self, command, arguments, inputs[next]),
                         files(next) + ".json", files(next) + ".err", &error))
        started[next] = Clock::now();
      else
        out[next].error = error;
      ++next;
    }
    if (next == inputs.size()) {
      process::UnsetEnvironment(kChildTextVariable);
      process::UnsetEnvironment(kChildSummaryVariable);
    }
    if (children.running() == 0) continue;
    process::ChildEnd end;
    if (!children.WaitAny(&end)) break;
    const std::size_t i = end.tag;
    BookSetOutcome& o = out[i];
    o.seconds = std::chrono::duration<double>(Clock::now() - started[i]).count();
    o.exit_code = end.abnormal.empty() ? end.exit_code : 2;
    o.text = ReadAll(files(i) + ".txt");
    o.json = nlohmann::ordered_json::parse(ReadAll(files(i) + ".json"), nullptr, false);
    if (o.json.is_discarded()) o.json = nullptr;
    std::string err = ReadAll(files(i) + ".err");
    // A child on Windows writes its errors in text mode: its line ends come as CR LF.
    for (std::size_t at = err.find("\r\n"); at != std::string::npos; at = err.find("\r\n", at))
      err.erase(at, 1);
    while (!err.empty() && (err.back() == '\n' || err.back() == '\r')) err.pop_back();
    const std::string prefix = "qoru-gbtxt：";
    if (err.compare(0, prefix.size(), prefix) == 0) err.erase(0, prefix.size());
    if (!end.abnormal.empty())
      err = std::string(command == "check" ? "检查进程异常结束（" : "筛查进程异常结束（") +
            end.abnormal + "）";
    if (o.exit_code == 2) o.error = err.empty() ? "无法检查" : err;
  }
  process::UnsetEnvironment(kChildTextVariable);
  process::UnsetEnvironment(kChildSummaryVariable);
  return out;
}

}  // namespace qoru::book_sets
