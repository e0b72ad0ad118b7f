// Child processes on Linux: posix_spawn with the three standard descriptors opened by
// the spawn's file actions, waitid on any child. A child is reaped only under the lock
// that the interrupt's step takes to signal the children: a process id that it signals
// is always one of them (a zombie at worst), never one the system gave to another.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "files/interrupt_cleanup.h"
#include "process/child_process.h"

extern char** environ;

namespace qoru::process {

namespace {

// How long an interrupted run waits for its children to remove what they made before
// it ends them outright (the next run then removes what they leave).
constexpr auto kChildrenGrace = std::chrono::seconds(30);

}  // namespace

struct ChildProcesses::Children {
  std::mutex mutex;  // over tags and stopping
  std::map<pid_t, std::size_t> tags;
  bool stopping = false;  // interrupted: no child starts any more
  std::optional<InterruptStep> step;

  // The interrupt's step: the signal passed on to each child, then the wait until each
  // has ended.
  void Interrupt(int signal) {
    std::vector<pid_t> pids;
    {
      std::lock_guard lock(mutex);
      stopping = true;
      for (const auto& [pid, tag] : tags) {
        ::kill(pid, signal);
        pids.push_back(pid);
      }
    }
    const auto deadline = std::chrono::steady_clock::now() + kChildrenGrace;
    for (const pid_t pid : pids) {
      for (;;) {
        std::unique_lock lock(mutex);
        if (tags.count(pid) == 0) break;  // reaped by the run
        siginfo_t info{};
        const int rc = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((rc == 0 && info.si_pid == pid) || (rc < 0 && errno == ECHILD)) break;
        if (std::chrono::steady_clock::now() > deadline) {
          ::kill(pid, SIGKILL);
          break;
        }
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }
};

ChildProcesses::ChildProcesses() : children_(std::make_unique<Children>()) {
  Children* children = children_.get();
  children_->step.emplace([children](int signal) { children->Interrupt(signal); });
}

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
  std::lock_guard lock(children_->mutex);
  if (children_->stopping) {
    posix_spawn_file_actions_destroy(&actions);
    *error = "运行已中断";
    return false;
  }
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
  while (running() != 0) {
    // Which child ended, left unreaped; then reaped under the lock.
    siginfo_t info{};
    if (::waitid(P_ALL, 0, &info, WEXITED | WNOWAIT) != 0) {
      if (errno == EINTR) continue;
      return false;
    }
    const pid_t pid = info.si_pid;
    std::lock_guard lock(children_->mutex);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) continue;
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
  std::lock_guard lock(children_->mutex);
  return children_->tags.size();
}

std::string SelfPath() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("qoru-gbtxt") : p.string();
}

}  // namespace qoru::process
