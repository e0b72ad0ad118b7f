#include "files/temporary_folder.h"

#include <cerrno>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"

namespace qoru {
namespace {

constexpr std::string_view kPrefix = "qoru-";

// Makes the folder and its lock; the folder's path, with the lock's descriptor in
// `lock`. The lock file is made and locked under another name and then renamed, so
// that a lock file under its own name is always held while its run lives.
std::string MakeLockedFolder(std::string_view purpose, int* lock) {
  const std::string parent = os::TemporaryFolder();
  std::string path = parent + "/" + std::string(kPrefix) + std::string(purpose) + "-XXXXXX";
  const auto fail = [&](int err) {
    return FileError(
        fmt::format("临时目录不可写：无法在 {} 中创建 {}（{}）。请让它可写，或把环境变量 "
                    "TMPDIR 设为一个可写的目录",
                    PathText(parent), PathText(LastPathPart(path)), SystemErrorText(err)),
        parent);
  };
  if (os::MakeTemporaryDirectory(path) != 0) throw fail(errno);
  const std::string lock_path = path + "/" + TemporaryFolder::kLockName;
  const std::string unready = lock_path + "-new";
  const int fd = os::OpenLockFile(unready);
  const int err = fd < 0 ? errno : 0;
  if (fd < 0 || os::TryLockExclusive(fd) != os::LockResult::kLocked ||
      os::Rename(unready, lock_path) != 0) {
    const int cause = err != 0 ? err : errno;
    if (fd >= 0) os::Close(fd);
    RemoveTree(path);
    throw fail(cause);
  }
  *lock = fd;
  return path;
}

}  // namespace

TemporaryFolder::TemporaryFolder(std::string_view purpose)
    : removal_(
          RemovedOnInterrupt::Kind::kFolder, [&] { return MakeLockedFolder(purpose, &lock_); },
          &lock_) {}

TemporaryFolder::~TemporaryFolder() {
  // Windows removes a file that is open only once it is closed, and its folder only
  // then: what stays of the first removal goes with the second, the lock closed.
  RemoveTree(path());
  if (const int lock = removal_.TakeHeld(); lock >= 0) os::Close(lock);
  RemoveTree(path());
  removal_.Release();
}

std::vector<std::string> RemoveAbandonedFolders() {
  const std::string parent = os::TemporaryFolder();
  std::vector<std::string> names;
  std::vector<std::string> removed;
  if (!os::ListNames(parent, &names)) return removed;
  for (const std::string& name : names) {
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) continue;
    const std::string dir = parent + "/" + name;
    os::FileInfo info;
    if (!os::Stat(dir, &info, false) || info.kind != os::Kind::kDirectory) continue;
    // Opened as it stands, never made: a folder without one is left alone.
    const int fd = os::OpenRead(dir + "/" + TemporaryFolder::kLockName);
    if (fd < 0) continue;
    const bool free = os::TryLockExclusive(fd) == os::LockResult::kLocked;
    os::Close(fd);
    if (free && RemoveTree(dir)) removed.push_back(name);
  }
  return removed;
}

std::string AbandonedFoldersLine(const std::vector<std::string>& removed) {
  if (removed.empty()) return {};
  std::string names;
  for (const std::string& name : removed) names += (names.empty() ? "" : "、") + PathText(name);
  return fmt::format("已删除临时目录 {} 中被强行结束的运行留下的 {} 个文件夹：{}",
                     PathText(os::TemporaryFolder()), removed.size(), names);
}

}  // namespace qoru
