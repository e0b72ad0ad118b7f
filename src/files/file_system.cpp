#include "files/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <fmt/format.h>

#include "errors/errors.h"
#include "text/gbk_codec.h"

namespace qoru {

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    names.emplace_back(name);
  }
  ::closedir(d);
  return names;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void RequireRegularFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return;
  throw FileError(fmt::format("无法读取文件“{}”：{}", DisplayText(path),
                              S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR)
                                                  : "这不是普通文件，而是管道、设备或套接字"),
                  path);
}

ReplacementFile::ReplacementFile(std::string target, mode_t mode) : target_(std::move(target)) {
  std::string path = target_ + ".XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0)
    throw FileError(
        fmt::format("无法在“{}”旁创建临时文件：{}", DisplayText(target_), SystemErrorText(errno)),
        target_);
  ::fchmod(fd, mode);
  ::close(fd);
  path_ = std::move(path);
}

ReplacementFile::~ReplacementFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

void ReplacementFile::Commit() {
  if (std::rename(path_.c_str(), target_.c_str()) != 0)
    throw FileError(
        fmt::format("无法写入文件“{}”：{}", DisplayText(target_), SystemErrorText(errno)), target_);
  path_.clear();
}

bool ReplacementFile::CommitExclusive() {
  if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
    path_.clear();
    return true;
  }
  if (errno == EEXIST) return false;
  // File systems without RENAME_NOREPLACE: a hard link is just as exclusive.
  if (errno == EINVAL || errno == ENOSYS) {
    if (::link(path_.c_str(), target_.c_str()) == 0) return true;  // the destructor unlinks path_
    if (errno == EEXIST) return false;
  }
  throw FileError(fmt::format("无法写入文件“{}”：{}", DisplayText(target_), SystemErrorText(errno)),
                  target_);
}

bool CopyFileExclusive(const std::string& source, const std::string& target, std::string* failure) {
  const auto fail = [&](const std::string& path, int err) {
    if (failure != nullptr)
      *failure = fmt::format("“{}”：{}", DisplayText(path), SystemErrorText(err));
    return false;
  };
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) return false;
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(source, errno);
  bool ok = false;
  try {
    ReplacementFile copy(target);
    const int out = ::open(copy.path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (out < 0) fail(target, errno);
    if (out >= 0) {
      ok = true;
      char buf[1 << 16];
      while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
          if (errno == EINTR) continue;
          ok = fail(source, errno);
          break;
        }
        for (ssize_t done = 0; done < n;) {
          const ssize_t w = ::write(out, buf + done, static_cast<std::size_t>(n - done));
          if (w < 0) {
            if (errno == EINTR) continue;
            ok = fail(target, errno);
            break;
          }
          done += w;
        }
      }
      if (ok && ::fsync(out) != 0) ok = fail(target, errno);
      if (::close(out) != 0 && ok) ok = fail(target, errno);
    }
    ok = ok && copy.CommitExclusive();
  } catch (const FileError& e) {
    if (failure != nullptr) *failure = e.what();
    ok = false;
  }
  ::close(in);
  return ok;
}

void CheckBareFileName(std::string_view name, std::string_view origin) {
  const bool bad = name.empty() || name == "." || name == ".." ||
                   name.find('/') != std::string_view::npos ||
                   name.find('\0') != std::string_view::npos;
  if (bad)
    throw UnsafeNameError(
        fmt::format("{}中的文件名“{}”不是工作目录中的文件名，已拒绝", origin, DisplayText(name)));
}

}  // namespace qoru
