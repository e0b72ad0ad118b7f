#include "files/work_area_lock.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

// The lock file of `work_dir`, or "" when there is no work directory to lock (nothing
// is created then).
std::string LockFilePath(const std::string& work_dir) {
  if (!EndsWithSeparator(work_dir)) return {};
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
  if (fd < 0) {
    // A missing work directory is the conversion's to meet; a lock file that is there
    // and cannot be opened would let a second run in unnoticed.
    if (errno == ENOENT || errno == ENOTDIR) return Outcome::kUnavailable;
    open_error_ = errno;
    return Outcome::kBlocked;
  }
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
      PathText(work_dir), kFileName);
}

std::string WorkAreaLock::BlockedMessage(const std::string& work_dir) const {
  const std::string why = open_error_ == ELOOP    ? "它是一个符号链接"
                          : open_error_ == EISDIR ? "它是一个目录"
                          : open_error_ == EACCES || open_error_ == EPERM || open_error_ == EROFS
                              ? "没有权限"
                              : SystemMessage(open_error_);
  return fmt::format(
      "无法打开工作目录的锁文件“{}{}”（{}），无法保证只有一个转换使用该工作目录，本次转换没有开始；"
      "请删除或修正该文件后再试",
      PathText(work_dir), kFileName, why);
}

bool WorkAreaLock::Refuses(Outcome outcome, const std::string& work_dir,
                           std::string* message) const {
  if (outcome == Outcome::kInUse) {
    *message = InUseMessage(work_dir);
    return true;
  }
  if (outcome == Outcome::kBlocked) {
    *message = BlockedMessage(work_dir);
    return true;
  }
  return false;
}

}  // namespace qoru
