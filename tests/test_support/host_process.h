// Runs the command-line host qoru-gbtxt as a child process, the way a user or a
// script does, optionally under the limits of a hostile machine: a maximum file size
// (a disk that fills up) or a root user without the privilege to override file
// permissions (so that a read-only directory is read-only for the tests too). On Windows
// (host_process_win.cpp) the host runs without such limits: a run asked for with them
// ends as kOptionsUnavailable, and the caller skips its test.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qoru::test {

struct HostOptions {
  std::optional<std::uint64_t> file_size_limit;  // RLIMIT_FSIZE of the host, in bytes
  bool obey_permissions = false;                 // root loses the capabilities that override modes
};

struct HostRun {
  int exit_code = -1;  // -1 when the host did not exit normally
  int signal = 0;      // the signal that ended the host, 0 when it exited
  std::string out;     // stdout
  std::string err;     // stderr
};

// Exit code of a child that could not take the options (no privilege to drop
// capabilities); the caller skips its test.
inline constexpr int kOptionsUnavailable = 125;

// "convert --face headless --source SOURCE --work WORK" plus `extra`, waited for.
HostRun RunHostConvert(const std::string& source, const std::string& work,
                       const std::vector<std::string>& extra = {}, const HostOptions& options = {});

// Starts the same command without waiting; its output goes to /dev/null (POSIX only).
pid_t StartHostConvert(const std::string& source, const std::string& work,
                       const std::vector<std::string>& extra = {});

// While it lives, this process obeys file permissions even as root: the capabilities
// that override them leave its effective set (they stay permitted and come back at
// the end). Inactive when they cannot be dropped; a process without them obeys anyway.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride();
  ~WithoutPermissionOverride();
  WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
  WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;
  bool active() const { return active_; }

 private:
  bool active_ = false;
  bool restore_ = false;
  unsigned saved_[2] = {0, 0};  // effective capability words before
};

// The command line of RunHostConvert: the host's path, then its arguments.
std::vector<std::string> HostConvertArgs(const std::string& source, const std::string& work,
                                         const std::vector<std::string>& extra);

// PRAGMA integrity_check of a database file, opened for reading and writing as a host
// would ("ok" for a sound database; the engine's complaint otherwise).
std::string IntegrityCheck(const std::string& db_path);

}  // namespace qoru::test
