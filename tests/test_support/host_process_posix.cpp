// The host as a child process on POSIX systems: fork, the limits applied in the child,
// exec; the capabilities of root dropped and restored.
#include "test_support/host_process.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "test_support/programs.h"
#include "test_support/temp_dir.h"

namespace qoru::test {
namespace {

// In the child: applies the options, redirects the output and becomes the host.
[[noreturn]] void ExecHost(const std::vector<std::string>& args, const HostOptions& options,
                           const std::string& out, const std::string& err) {
  if (options.file_size_limit) {
    const rlimit limit{*options.file_size_limit, *options.file_size_limit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(kOptionsUnavailable);
  }
  if (options.obey_permissions && ::geteuid() == 0) {
    // Dropped from the bounding set, these do not come back when root executes the host.
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
      if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) ::_exit(kOptionsUnavailable);
  }
  const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out_fd < 0 || err_fd < 0) ::_exit(kOptionsUnavailable);
  ::dup2(out_fd, STDOUT_FILENO);
  ::dup2(err_fd, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

}  // namespace

HostRun RunHostConvert(const std::string& source, const std::string& work,
                       const std::vector<std::string>& extra, const HostOptions& options) {
  TempDir output;
  const std::string out = output / "out";
  const std::string err = output / "err";
  const std::vector<std::string> args = HostConvertArgs(source, work, extra);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) ExecHost(args, options, out, err);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  HostRun run;
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  return run;
}

pid_t StartHostConvert(const std::string& source, const std::string& work,
                       const std::vector<std::string>& extra) {
  const std::vector<std::string> args = HostConvertArgs(source, work, extra);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) ExecHost(args, {}, "/dev/null", "/dev/null");
  return pid;
}

namespace {

bool CapGet(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capget, &header, data) == 0;
}

bool CapSet(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capset, &header, data) == 0;
}

constexpr unsigned kOverrides =
    1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH | 1u << CAP_FOWNER;

}  // namespace

WithoutPermissionOverride::WithoutPermissionOverride() {
  __user_cap_data_struct data[2] = {};
  if (!CapGet(data)) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  if ((data[0].effective & kOverrides) == 0) {
    active_ = true;  // nothing to drop
    return;
  }
  data[0].effective &= ~kOverrides;
  active_ = restore_ = CapSet(data);
}

WithoutPermissionOverride::~WithoutPermissionOverride() {
  if (!restore_) return;
  __user_cap_data_struct data[2] = {};
  if (!CapGet(data)) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  CapSet(data);
}

}  // namespace qoru::test
