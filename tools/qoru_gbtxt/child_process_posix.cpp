// Child processes on Linux: posix_spawn with the three standard descriptors opened by
// the spawn's file actions, waitpid on any child.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "qoru_gbtxt/child_process.h"

extern char** environ;

namespace qoru::host {

struct ChildProcesses::Children {
  std::map<pid_t, std::size_t> tags;
};

ChildProcesses::ChildProcesses() : children_(std::make_unique<Children>()) {}
ChildProcesses::~ChildProcesses() = default;

bool ChildProcesses::Start(std::size_t tag, const std::vector<std::string>& words,
                           const std::string& out_path, const std::string& err_path,
                           std::string* error) {
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, words[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    *error = std::string("无法启动检查进程：") + std::strerror(rc);
    return false;
  }
  children_->tags[pid] = tag;
  return true;
}

bool ChildProcesses::WaitAny(ChildEnd* end) {
  while (!children_->tags.empty()) {
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    const auto it = children_->tags.find(pid);
    if (it == children_->tags.end()) continue;
    *end = ChildEnd{};
    end->tag = it->second;
    children_->tags.erase(it);
    if (WIFEXITED(status))
      end->exit_code = WEXITSTATUS(status);
    else
      end->abnormal = "信号 " + std::to_string(WTERMSIG(status));
    return true;
  }
  return false;
}

std::size_t ChildProcesses::running() const {
  return children_->tags.size();
}

std::string SelfPath() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("qoru-gbtxt") : p.string();
}

}  // namespace qoru::host
