#include "files/os_file_edge_win.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "errors/errors.h"
#include "text/gbk_codec.h"

namespace qoru::os::win {
namespace {

// Paths from this length on take the long-path form (a directory's path must leave
// room for an 8.3 name below MAX_PATH).
constexpr std::size_t kLongPath = 240;

}  // namespace

std::wstring Wide(const std::string& path) {
  const std::u16string utf16 = GbkToUtf16(path);
  std::wstring wide(utf16.begin(), utf16.end());
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (wide.size() < kLongPath || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  // The long-path form takes the path as it stands: made absolute and free of "." and
  // ".." first.
  const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return wide;
  std::wstring full(need, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return wide;
  full.resize(got);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return kSharingViolation;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
      return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    default:
      return EIO;
  }
}

void SetErrnoFromLastError() {
  errno = ErrnoOf(GetLastError());
}

// A directory opened for reading fails with ERROR_ACCESS_DENIED; say what it is.
void SetErrnoForOpen(const std::wstring& wide) {
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    errno = EISDIR;
    return;
  }
  errno = ErrnoOf(error);
}

int Descriptor(HANDLE handle, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    errno = EMFILE;
  }
  return fd;
}

int ReadDescriptor(HANDLE handle, const std::wstring& wide) {
  if (handle == INVALID_HANDLE_VALUE) {
    SetErrnoForOpen(wide);
    return -1;
  }
  // A file on a disk (a directory's handle is one too), never a pipe or a device.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    errno = kNotRegularFile;
    return -1;
  }
  return Descriptor(handle, _O_RDONLY);
}

bool Identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) {
  return GetFileInformationByHandle(handle, info) != 0;
}

}  // namespace qoru::os::win
