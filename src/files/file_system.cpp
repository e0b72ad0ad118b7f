#include "files/file_system.h"

#include <cerrno>
#include <cstdio>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"

namespace qoru {

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
  if (!os::ListNames(dir, &names)) names.clear();
  return names;
}

bool IsRegularFile(const std::string& path) {
  os::FileInfo info;
  return os::Stat(path, &info) && info.kind == os::Kind::kRegular;
}

bool IsDirectory(const std::string& path) {
  os::FileInfo info;
  return os::Stat(path, &info) && info.kind == os::Kind::kDirectory;
}

bool PathExists(const std::string& path) {
  os::FileInfo info;
  return os::Stat(path, &info);
}

bool MakeDirectories(const std::string& path) {
  std::string partial;
  for (std::size_t i = 0; i <= path.size();) {
    const std::size_t length = i < path.size() ? GbkCharLength(path, i) : 1;
    if (i == path.size() || (length == 1 && os::IsSeparator(path[i]))) {
      // A drive ("D:") or a share's name cannot be made, and need not be.
      if (!partial.empty() && os::MakeDirectory(partial) != 0 && errno != EEXIST &&
          !IsDirectory(partial))
        return false;
    }
    if (i < path.size()) partial.append(path, i, length);
    i += length;
  }
  if (IsDirectory(path)) return true;
  errno = ENOTDIR;
  return false;
}

bool IsSymbolicLink(const std::string& path) {
  os::FileInfo info;
  return os::Stat(path, &info, false) && info.kind == os::Kind::kLink;
}

bool RemoveTree(const std::string& dir) {
  os::FileInfo info;
  if (!os::Stat(dir, &info, false)) return errno == ENOENT;
  if (info.kind != os::Kind::kDirectory)
    return os::Remove(dir) == 0 || os::RemoveEmptyDirectory(dir) == 0;
  bool all = true;
  std::vector<std::string> names;
  os::ListNames(dir, &names);
  const std::string prefix = WithSeparator(dir);
  for (const std::string& name : names) all = RemoveTree(prefix + name) && all;
  return os::RemoveEmptyDirectory(dir) == 0 && all;
}

bool ReadWholeFile(const std::string& path, std::string* content) {
  content->clear();
  const int fd = os::OpenRead(path);
  if (fd < 0) return false;
  char buf[1 << 16];
  for (;;) {
    const long n = os::Read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      os::Close(fd);
      errno = err;
      return false;
    }
    content->append(buf, static_cast<std::size_t>(n));
  }
  os::Close(fd);
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  const int fd = os::OpenWrite(path, true);
  if (fd < 0) return false;
  for (std::size_t done = 0; done < bytes.size();) {
    const long n = os::Write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : EIO;
      os::Close(fd);
      errno = err;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return os::Close(fd) == 0;
}

namespace {

// Where the last separator of `path` stands, or npos.
std::size_t LastSeparator(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i += GbkCharLength(path, i))
    if (os::IsSeparator(path[i])) last = i;
  return last;
}

}  // namespace

std::string ParentDirectory(const std::string& path) {
  const std::string trimmed = WithoutTrailingSeparators(path);
  const std::size_t at = LastSeparator(trimmed);
  if (at == std::string::npos) return "";
  const std::string dir = WithoutTrailingSeparators(trimmed.substr(0, at));
  return dir.empty() ? trimmed.substr(0, 1) : dir;
}

std::string LastPathPart(const std::string& path) {
  const std::string trimmed = WithoutTrailingSeparators(path);
  const std::size_t at = LastSeparator(trimmed);
  return at == std::string::npos || trimmed.size() == 1 ? trimmed : trimmed.substr(at + 1);
}

bool EndsWithSeparator(std::string_view path) {
  std::size_t last = std::string_view::npos;  // where the last character starts
  for (std::size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) last = i;
  return last != std::string_view::npos && last + 1 == path.size() && os::IsSeparator(path[last]);
}

std::string WithSeparator(std::string path) {
  if (!EndsWithSeparator(path)) path.push_back('/');
  return path;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && EndsWithSeparator(path)) path.pop_back();
  return path;
}

bool IsWithinDirectory(const std::string& path, const std::string& dir) {
  if (!IsDirectory(dir) || !PathExists(path)) return false;
  // Up from `path` through "..", which the system resolves (through links on Linux),
  // until the root, whose ".." is itself.
  std::string at = WithoutTrailingSeparators(path);
  for (int depth = 0; depth < 1024; ++depth) {
    if (os::SameFile(at, dir)) return true;
    const std::string up = WithSeparator(at) + "..";
    if (!PathExists(up) || os::SameFile(up, at)) return false;
    at = up;
  }
  return false;
}

void RequireRegularFile(const std::string& path) {
  os::FileInfo info;
  if (!os::Stat(path, &info) || info.kind == os::Kind::kRegular) return;
  throw FileError(
      fmt::format("无法读取文件“{}”：{}", PathText(path),
                  info.kind == os::Kind::kDirectory ? SystemErrorText(EISDIR)
                                                    : "这不是普通文件，而是管道、设备或套接字"),
      path);
}

ReplacementFile::ReplacementFile(std::string target, unsigned mode)
    : target_(std::move(target)), removal_(RemovedOnInterrupt::Kind::kFile, [&] {
        std::string path = target_ + ".XXXXXX";
        const int fd = os::CreateTemporary(path);
        if (fd < 0)
          throw FileError(fmt::format("无法在“{}”旁创建临时文件：{}", PathText(target_),
                                      SystemErrorText(errno)),
                          target_);
        os::SetMode(fd, os::NewFileMode(mode));
        os::Close(fd);
        return path;
      }) {
  path_ = removal_.path();
}

ReplacementFile::~ReplacementFile() {
  if (!path_.empty()) os::Remove(path_);
}

void ReplacementFile::Commit() {
  if (os::Rename(path_, target_) != 0)
    throw FileError(fmt::format("无法写入文件“{}”：{}", PathText(target_), SystemErrorText(errno)),
                    target_);
  path_.clear();
  removal_.Release();
}

bool ReplacementFile::CommitExclusive() {
  if (os::RenameNoReplace(path_, target_) == 0) {
    path_.clear();
    removal_.Release();
    return true;
  }
  if (errno == EEXIST) return false;
  throw FileError(fmt::format("无法写入文件“{}”：{}", PathText(target_), SystemErrorText(errno)),
                  target_);
}

bool CopyFileExclusive(const std::string& source, const std::string& target, std::string* failure) {
  const auto fail = [&](const std::string& path, int err) {
    if (failure != nullptr)
      *failure = fmt::format("“{}”：{}", PathText(path), SystemErrorText(err));
    return false;
  };
  os::FileInfo existing;
  if (os::Stat(target, &existing, false)) return false;
  const int in = os::OpenRead(source);
  if (in < 0) return fail(source, errno);
  bool ok = false;
  try {
    ReplacementFile copy(target);
    const int out = os::OpenWrite(copy.path(), false);
    if (out < 0) fail(target, errno);
    if (out >= 0) {
      ok = true;
      char buf[1 << 16];
      while (ok) {
        const long n = os::Read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
          if (errno == EINTR) continue;
          ok = fail(source, errno);
          break;
        }
        for (long done = 0; done < n;) {
          const long w = os::Write(out, buf + done, static_cast<std::size_t>(n - done));
          if (w < 0) {
            if (errno == EINTR) continue;
            ok = fail(target, errno);
            break;
          }
          done += w;
        }
      }
      if (ok && os::Sync(out) != 0) ok = fail(target, errno);
      if (os::Close(out) != 0 && ok) ok = fail(target, errno);
    }
    ok = ok && copy.CommitExclusive();
  } catch (const FileError& e) {
    if (failure != nullptr) *failure = e.what();
    ok = false;
  }
  os::Close(in);
  return ok;
}

void CheckBareFileName(std::string_view name, std::string_view origin) {
  const bool bad = name.empty() || name == "." || name == ".." ||
                   name.find('/') != std::string_view::npos ||
                   name.find('\0') != std::string_view::npos;
  if (bad)
    throw UnsafeNameError(
        fmt::format("{}中的文件名“{}”不是工作目录中的文件名，已拒绝", origin, GbkToUtf8(name)));
  // Names the platform keeps for itself: on Windows "NUL.txt" would read a device and
  // "a\b" or "c:x" would leave the work area.
  std::string why;
  if (os::IsReservedName(std::string(name), &why))
    throw UnsafeNameError(
        fmt::format("{}中的文件名“{}”不能用作文件名（{}），已拒绝", origin, GbkToUtf8(name), why));
}

}  // namespace qoru
