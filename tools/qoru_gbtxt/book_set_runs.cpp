#include "qoru_gbtxt/book_set_runs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

extern char** environ;

namespace qoru::host {
namespace {

using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Running {
  std::size_t index;
  Clock::time_point start;
};

// Starts one child; its pid, or -1 with the reason in `error`.
pid_t Start(const std::string& self, const std::vector<std::string>& arguments,
            const BookSetInput& input, const std::string& files, std::string* error) {
  std::vector<std::string> words = {self, "check", "--json", "--text-out", files + ".txt"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  if (!input.xlsx.empty()) {
    words.push_back("--xlsx");
    words.push_back(input.xlsx);
  }
  words.push_back(input.database ? "--db" : "--source");
  words.push_back(input.path);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (files + ".json").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (files + ".err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    *error = std::string("无法启动检查进程：") + std::strerror(rc);
    return -1;
  }
  return pid;
}

}  // namespace

std::string SelfPath() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("qoru-gbtxt") : p.string();
}

std::vector<BookSetOutcome> RunBookSets(const std::string& self,
                                        const std::vector<std::string>& arguments,
                                        const std::vector<BookSetInput>& inputs, unsigned jobs) {
  std::vector<BookSetOutcome> out(inputs.size());
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir_pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/qoru-runs-XXXXXX";
  std::vector<char> buffer(dir_pattern.begin(), dir_pattern.end());
  buffer.push_back('\0');
  const char* made = ::mkdtemp(buffer.data());
  if (made == nullptr) {
    for (BookSetOutcome& o : out) o.error = "无法建立临时目录";
    return out;
  }
  const std::string dir = made;
  const auto files = [&](std::size_t i) { return dir + "/" + std::to_string(i); };
  std::map<pid_t, Running> running;
  std::size_t next = 0;
  if (jobs == 0) jobs = 1;
  while (next < inputs.size() || !running.empty()) {
    while (next < inputs.size() && running.size() < jobs) {
      std::string error;
      const pid_t pid = Start(self, arguments, inputs[next], files(next), &error);
      if (pid < 0) {
        out[next].error = error;
      } else {
        running[pid] = {next, Clock::now()};
      }
      ++next;
    }
    if (running.empty()) continue;
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const auto it = running.find(pid);
    if (it == running.end()) continue;
    const std::size_t i = it->second.index;
    BookSetOutcome& o = out[i];
    o.seconds = std::chrono::duration<double>(Clock::now() - it->second.start).count();
    running.erase(it);
    o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 2;
    o.text = ReadAll(files(i) + ".txt");
    o.json = nlohmann::ordered_json::parse(ReadAll(files(i) + ".json"), nullptr, false);
    if (o.json.is_discarded()) o.json = nullptr;
    std::string err = ReadAll(files(i) + ".err");
    while (!err.empty() && err.back() == '\n') err.pop_back();
    const std::string prefix = "qoru-gbtxt：";
    if (err.compare(0, prefix.size(), prefix) == 0) err.erase(0, prefix.size());
    if (!WIFEXITED(status))
      err = "检查进程异常结束（信号 " + std::to_string(WTERMSIG(status)) + "）";
    if (o.exit_code == 2) o.error = err.empty() ? "无法检查" : err;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return out;
}

}  // namespace qoru::host
