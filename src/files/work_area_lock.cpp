#include "files/work_area_lock.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/os_file.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

// The lock file of `work_dir`, or "" when there is no work directory to lock (nothing
// is created then).
std::string LockFilePath(const std::string& work_dir) {
  if (work_dir.empty() || !os::IsSeparator(work_dir.back())) return {};
  return work_dir + WorkAreaLock::kFileName;
}

// The descriptor named by the inherited variable, when it is open on the lock file
// `path`; else -1.
int InheritedDescriptor(const std::string& path) {
  const char* text = std::getenv(WorkAreaLock::kInheritedVariable);
  if (text == nullptr || *text == '\0') return -1;
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (*end != '\0' || number < 0 || number > 1 << 20) return -1;
  if (!os::SameFile(static_cast<int>(number), path)) return -1;
  return static_cast<int>(number);
}

}  // namespace

WorkAreaLock::~WorkAreaLock() {
  if (fd_ >= 0 && own_fd_) os::Close(fd_);  // closing releases the lock
}

WorkAreaLock::Outcome WorkAreaLock::TryLock(const std::string& work_dir) {
  return Take(work_dir, false);
}

WorkAreaLock::Outcome WorkAreaLock::TryLockOrInherit(const std::string& work_dir) {
  return Take(work_dir, true);
}

WorkAreaLock::Outcome WorkAreaLock::Take(const std::string& work_dir, bool inherit) {
  if (fd_ >= 0) return Outcome::kLocked;
  const std::string path = LockFilePath(work_dir);
  if (path.empty()) return Outcome::kUnavailable;
  const int fd = os::OpenLockFile(path);
  if (fd < 0) return Outcome::kUnavailable;
  const os::LockResult result = os::TryLockExclusive(fd);
  if (result == os::LockResult::kFailed) {
    os::Close(fd);
    return Outcome::kUnavailable;
  }
  if (result == os::LockResult::kBusy) {
    // Held through another descriptor: ours when it is the host's, in this process.
    const int inherited = inherit ? InheritedDescriptor(path) : -1;
    os::Close(fd);
    if (inherited < 0 || !os::HoldsLock(inherited)) return Outcome::kInUse;
    fd_ = inherited;
    own_fd_ = false;
    return Outcome::kLocked;
  }
  fd_ = fd;
  own_fd_ = true;
  return Outcome::kLocked;
}

std::string WorkAreaLock::InUseMessage(const std::string& work_dir) {
  return fmt::format(
      "工作目录“{}”正被另一个转换使用（它持有 {} 的锁），本次转换没有开始，也没有改动其中的"
      "文件；请等那个转换结束后再试",
      DisplayText(work_dir), kFileName);
}

}  // namespace qoru
