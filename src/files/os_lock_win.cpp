// The work area's lock on Windows: a byte-range lock (LockFileEx) on the first byte of
// the lock file, taken without waiting; a lock file that cannot be written is opened for
// reading, which the lock needs no more than.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "errors/errors.h"
#include "files/os_file.h"
#include "files/os_file_edge_win.h"

namespace qoru::os {

using win::ReadDescriptor;
using win::Wide;

int OpenLockFile(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  // A byte-range lock needs no write access.
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    h = CreateFileW(wide.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  return ReadDescriptor(h, wide);
}

LockResult TryLockExclusive(int fd) {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) return LockResult::kFailed;
  OVERLAPPED at{};
  if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
    return LockResult::kLocked;
  const DWORD error = GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? LockResult::kBusy
                                                                    : LockResult::kFailed;
}

bool HoldsLock(int fd) {
  return TryLockExclusive(fd) != LockResult::kFailed;
}

}  // namespace qoru::os
