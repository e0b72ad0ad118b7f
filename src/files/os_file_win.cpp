// The file calls on Windows: the wide-character API on paths converted from GBK to
// UTF-16 by the library's own tables ("/" becomes "\"), in the long-path form when
// long (os_file_edge_win.h). Files are opened through CreateFileW, sharing reads and
// writes with other programs as the C runtime does, so that a file held open elsewhere
// without sharing is told apart (kSharingViolation) from a missing or forbidden one; the
// handle then becomes a C runtime descriptor in binary mode. Directories, renames and
// removals are in os_directory_win.cpp, the work area's lock in os_lock_win.cpp, and
// what Windows makes of a name in os_names_win.cpp.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "errors/errors.h"
#include "files/os_file.h"
#include "files/os_file_edge_win.h"

namespace qoru::os {
namespace {

using win::Descriptor;
using win::Identity;
using win::ReadDescriptor;
using win::SetErrnoForOpen;
using win::SetErrnoFromLastError;
using win::Wide;

// A handle opened with FILE_FLAG_OPEN_REPARSE_POINT for writing, as a descriptor; a
// link (a reparse point) standing at the path is closed again (ELOOP) before anything
// is written through it.
int WritableDescriptor(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (Identity(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(handle);
    errno = ELOOP;
    return -1;
  }
  return Descriptor(handle, _O_WRONLY);
}

bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  const HANDLE h =
      CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = Identity(h, info);
  CloseHandle(h);
  return ok;
}

bool Same(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

long long Ticks(const FILETIME& t) {
  return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                t.dwLowDateTime);
}

}  // namespace

bool Stat(const std::string& path, FileInfo* info, bool follow) {
  *info = FileInfo{};
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    SetErrnoFromLastError();
    return false;
  }
  const DWORD a = data.dwFileAttributes;
  if (!follow && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    info->kind = Kind::kLink;
  else if ((a & FILE_ATTRIBUTE_DIRECTORY) != 0)
    info->kind = Kind::kDirectory;
  else if ((a & FILE_ATTRIBUTE_DEVICE) != 0)
    info->kind = Kind::kOther;
  else
    info->kind = Kind::kRegular;
  info->mode = (a & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0644;
  info->size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                      data.nFileSizeLow);
  info->modified = Ticks(data.ftLastWriteTime);
  return true;
}

bool StatOpen(int fd, FileInfo* info) {
  *info = FileInfo{};
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  BY_HANDLE_FILE_INFORMATION data;
  if (h == INVALID_HANDLE_VALUE || !Identity(h, &data)) {
    errno = EBADF;
    return false;
  }
  const DWORD type = GetFileType(h);
  if (type != FILE_TYPE_DISK)
    info->kind = Kind::kOther;
  else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    info->kind = Kind::kDirectory;
  else
    info->kind = Kind::kRegular;
  info->mode = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0644;
  info->size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                      data.nFileSizeLow);
  info->modified = Ticks(data.ftLastWriteTime);
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION ia;
  BY_HANDLE_FILE_INFORMATION ib;
  return IdentityOf(a, &ia) && IdentityOf(b, &ib) && Same(ia, ib);
}

bool SameFile(int fd, const std::string& path) {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  BY_HANDLE_FILE_INFORMATION ia;
  BY_HANDLE_FILE_INFORMATION ib;
  return h != INVALID_HANDLE_VALUE && Identity(h, &ia) && IdentityOf(path, &ib) && Same(ia, ib);
}

int OpenRead(const std::string& path) {
  const std::wstring wide = Wide(path);
  // Others may read, write, rename and replace it meanwhile, as on Linux: a text is
  // rewritten by a replacement that takes its name while it is still being read.
  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return ReadDescriptor(h, wide);
}

int OpenWrite(const std::string& path, bool create, unsigned mode) {
  const std::wstring wide = Wide(path);
  const DWORD attributes =
      create && (mode & 0200) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               create ? CREATE_ALWAYS : TRUNCATE_EXISTING,
                               attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoForOpen(wide);
    return -1;
  }
  return WritableDescriptor(h);
}

int OpenAppend(const std::string& path) {
  const std::wstring wide = Wide(path);
  // FILE_APPEND_DATA alone: every write lands at the end, whoever else appends.
  const HANDLE h = CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoForOpen(wide);
    return -1;
  }
  return WritableDescriptor(h);
}

long Read(int fd, void* data, std::size_t size) {
  const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  return _read(fd, data, chunk);
}

long Write(int fd, const void* data, std::size_t size) {
  const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  const int n = _write(fd, data, chunk);
  if (n < 0 && errno == ENOSPC) return -1;
  return n;
}

int Close(int fd) {
  return _close(fd);
}

int Sync(int fd) {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) return -1;
  if (!FlushFileBuffers(h)) {
    SetErrnoFromLastError();
    return -1;
  }
  return 0;
}

void AdviseSequential(int /*fd*/) {}

int SetMode(int /*fd*/, unsigned /*mode*/) {
  // A file's only permission on Windows is its read-only attribute, which the copies
  // of the work area never carry over: they must stay writable for the next run.
  return 0;
}

unsigned NewFileMode(unsigned mode) {
  return mode;
}

bool CanRead(const std::string& path) {
  const int fd = OpenRead(path);
  if (fd < 0) return false;
  _close(fd);
  return true;
}

}  // namespace qoru::os
