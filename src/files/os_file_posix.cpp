// The file calls on Linux: POSIX, with renameat2 for the rename that never replaces.
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "errors/errors.h"
#include "files/os_file.h"

namespace qoru::os {
namespace {

void Fill(const struct stat& st, FileInfo* info) {
  info->mode = st.st_mode & 07777;
  info->size = static_cast<long long>(st.st_size);
  info->modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  if (S_ISREG(st.st_mode))
    info->kind = Kind::kRegular;
  else if (S_ISDIR(st.st_mode))
    info->kind = Kind::kDirectory;
  else if (S_ISLNK(st.st_mode))
    info->kind = Kind::kLink;
  else
    info->kind = Kind::kOther;
}

}  // namespace

bool Stat(const std::string& path, FileInfo* info, bool follow) {
  struct stat st {};
  *info = FileInfo{};
  if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return false;
  Fill(st, info);
  return true;
}

bool StatOpen(int fd, FileInfo* info) {
  struct stat st {};
  *info = FileInfo{};
  if (::fstat(fd, &st) != 0) return false;
  Fill(st, info);
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool SameFile(int fd, const std::string& path) {
  struct stat sa {};
  struct stat sb {};
  if (::fstat(fd, &sa) != 0 || ::stat(path.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int OpenRead(const std::string& path) {
  // Without waiting: a named pipe that nobody writes would keep the open waiting.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
    ::close(fd);
    errno = kNotRegularFile;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

int OpenWrite(const std::string& path, bool create, unsigned mode) {
  return ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0),
                mode);
}

int OpenAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
}

long Read(int fd, void* data, std::size_t size) {
  return ::read(fd, data, size);
}

long Write(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}

int Close(int fd) {
  return ::close(fd);
}

int Sync(int fd) {
  return ::fsync(fd);
}

void AdviseSequential(int fd) {
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

int SetMode(int fd, unsigned mode) {
  return ::fchmod(fd, mode);
}

unsigned NewFileMode(unsigned mode) {
  // umask can only be read by setting it; the value is put back at once.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mode & ~static_cast<unsigned>(mask);
}

int CreateTemporary(std::string& pattern) {
  return ::mkostemp(pattern.data(), O_CLOEXEC);
}

int Remove(const std::string& path) {
  return ::unlink(path.c_str());
}

int Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str());
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // File systems without RENAME_NOREPLACE: a hard link is just as exclusive.
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  ::unlink(from.c_str());
  return 0;
}

int RemoveEmptyDirectory(const std::string& path) {
  return ::rmdir(path.c_str());
}

int MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0755);
}

int MakeTemporaryDirectory(std::string& pattern) {
  return ::mkdtemp(pattern.data()) == nullptr ? -1 : 0;
}

std::string TemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

bool CanRead(const std::string& path) {
  return ::access(path.c_str(), R_OK) == 0;
}

bool ListNames(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return false;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    names->emplace_back(name);
  }
  ::closedir(d);
  return true;
}

int OpenLockFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  // flock needs no write access.
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    const int first = errno;
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) errno = first;  // it could not be created
  }
  return fd;
}

LockResult TryLockExclusive(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? LockResult::kBusy : LockResult::kFailed;
  }
  return LockResult::kLocked;
}

bool HoldsLock(int fd) {
  return TryLockExclusive(fd) == LockResult::kLocked;
}

bool IsSeparator(char c) {
  return c == '/';
}

std::string Utf8FileName(const std::string& path) {
  return path;
}

const char* SqliteVfs() {
  return nullptr;
}

bool IsReservedName(const std::string& /*name*/, std::string* /*why*/) {
  return false;
}

std::string FileNameKey(const std::string& name) {
  return name;
}

}  // namespace qoru::os
