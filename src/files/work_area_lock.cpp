#include "files/work_area_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fmt/format.h>

#include "errors/errors.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

// Opens the lock file, creating it when missing; read-only where it cannot be written
// (flock needs no write access). -1 when it cannot be opened at all.
int OpenLockFile(const std::string& work_dir) {
  // Without a work directory there is nothing to lock, and nothing is created.
  if (work_dir.empty() || work_dir.back() != '/') return -1;
  const std::string path = work_dir + WorkAreaLock::kFileName;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    const int first = errno;
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) errno = first;  // it could not be created
  }
  return fd;
}

// The descriptor named by the inherited variable, when it is open on the file `fd`
// is open on; else -1.
int InheritedDescriptor(int fd) {
  const char* text = std::getenv(WorkAreaLock::kInheritedVariable);
  if (text == nullptr || *text == '\0') return -1;
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (*end != '\0' || number < 0 || number > 1 << 20) return -1;
  struct stat mine {};
  struct stat theirs {};
  if (::fstat(fd, &mine) != 0 || ::fstat(static_cast<int>(number), &theirs) != 0) return -1;
  if (mine.st_dev != theirs.st_dev || mine.st_ino != theirs.st_ino) return -1;
  return static_cast<int>(number);
}

}  // namespace

WorkAreaLock::~WorkAreaLock() {
  if (fd_ >= 0 && own_fd_) ::close(fd_);  // closing releases the lock
}

WorkAreaLock::Outcome WorkAreaLock::TryLock(const std::string& work_dir) {
  return Take(work_dir, false);
}

WorkAreaLock::Outcome WorkAreaLock::TryLockOrInherit(const std::string& work_dir) {
  return Take(work_dir, true);
}

WorkAreaLock::Outcome WorkAreaLock::Take(const std::string& work_dir, bool inherit) {
  if (fd_ >= 0) return Outcome::kLocked;
  const int fd = OpenLockFile(work_dir);
  if (fd < 0) {
    // A missing work directory is the conversion's to meet; a lock file that is there
    // and cannot be opened would let a second run in unnoticed.
    if (work_dir.empty() || work_dir.back() != '/' || errno == ENOENT || errno == ENOTDIR)
      return Outcome::kUnavailable;
    open_error_ = errno;
    return Outcome::kBlocked;
  }
  int held = fd;
  while (::flock(held, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      ::close(fd);
      return Outcome::kUnavailable;
    }
    // Held through another descriptor: ours when it is the host's, in this process.
    // flock on the descriptor that holds the lock succeeds; on any other it fails.
    const int inherited = inherit && held == fd ? InheritedDescriptor(fd) : -1;
    if (inherited < 0) {
      ::close(fd);
      return Outcome::kInUse;
    }
    held = inherited;
  }
  if (held != fd) {
    ::close(fd);
    fd_ = held;
    own_fd_ = false;
  } else {
    fd_ = fd;
    own_fd_ = true;
  }
  return Outcome::kLocked;
}

std::string WorkAreaLock::InUseMessage(const std::string& work_dir) {
  return fmt::format(
      "工作目录“{}”正被另一个转换使用（它持有 {} 的锁），本次转换没有开始，也没有改动其中的"
      "文件；请等那个转换结束后再试",
      DisplayText(work_dir), kFileName);
}

std::string WorkAreaLock::BlockedMessage(const std::string& work_dir) const {
  const char* why = open_error_ == ELOOP    ? "它是一个符号链接"
                    : open_error_ == EISDIR ? "它是一个目录"
                    : open_error_ == EACCES || open_error_ == EPERM || open_error_ == EROFS
                        ? "没有权限"
                        : std::strerror(open_error_);
  return fmt::format(
      "无法打开工作目录的锁文件“{}{}”（{}），无法保证只有一个转换使用该工作目录，本次转换没有开始；"
      "请删除或修正该文件后再试",
      DisplayText(work_dir), kFileName, why);
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
