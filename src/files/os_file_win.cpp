// The file calls on Windows: the wide-character API on paths converted from GBK to
// UTF-16 by the library's own tables ("/" becomes "\"), in the long-path form when
// long. Files are opened through CreateFileW, sharing reads and writes with other
// programs as the C runtime does, so that a file held open elsewhere without sharing is
// told apart (kSharingViolation) from a missing or forbidden one; the handle then
// becomes a C runtime descriptor in binary mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cwctype>

#include "errors/errors.h"
#include "files/os_file.h"
#include "text/gbk_codec.h"

namespace qoru::os {
namespace {

// Paths from this length on take the long-path form (a directory's path must leave
// room for an 8.3 name below MAX_PATH).
constexpr std::size_t kLongPath = 240;

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

bool Identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) {
  return GetFileInformationByHandle(handle, info) != 0;
}

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
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoForOpen(wide);
    return -1;
  }
  // A file on a disk (a directory's handle is one too), never a pipe or a device.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    errno = kNotRegularFile;
    return -1;
  }
  return Descriptor(h, _O_RDONLY);
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

int CreateTemporary(std::string& pattern) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  const std::size_t at = pattern.size() - 6;
  ULONGLONG seed = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 32) ^
                   reinterpret_cast<uintptr_t>(&pattern);
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (std::size_t i = 0; i < 6; ++i) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      pattern[at + i] = kLetters[(seed >> 33) % 36];
    }
    const std::wstring wide = Wide(pattern);
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return Descriptor(h, _O_WRONLY);
    if (GetLastError() != ERROR_FILE_EXISTS) {
      SetErrnoForOpen(wide);
      return -1;
    }
  }
  errno = EEXIST;
  return -1;
}

int Remove(const std::string& path) {
  const std::wstring wide = Wide(path);
  if (DeleteFileW(wide.c_str())) return 0;
  // As on Linux, where a file's own permissions do not keep it from being removed: a
  // read-only file loses the attribute first (and gets it back if it stays).
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ==
          FILE_ATTRIBUTE_READONLY &&
      SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    if (DeleteFileW(wide.c_str())) return 0;
    SetErrnoFromLastError();
    SetFileAttributesW(wide.c_str(), attributes);
    return -1;
  }
  errno = ErrnoOf(error);
  return -1;
}

// A rename onto a file that another program holds open fails as "access denied": it is
// told from a forbidden one by whether the file can be opened for deletion now.
void SetErrnoForRename(const std::wstring& to) {
  const DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED) {
    const HANDLE h =
        CreateFileW(to.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
      errno = kSharingViolation;
      return;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  errno = ErrnoOf(error);
}

int Rename(const std::string& from, const std::string& to) {
  const std::wstring target = Wide(to);
  if (MoveFileExW(Wide(from).c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return 0;
  SetErrnoForRename(target);
  return -1;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  const std::wstring target = Wide(to);
  if (MoveFileExW(Wide(from).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return 0;
  SetErrnoForRename(target);
  return -1;
}

int RemoveEmptyDirectory(const std::string& path) {
  if (RemoveDirectoryW(Wide(path).c_str())) return 0;
  SetErrnoFromLastError();
  return -1;
}

int MakeDirectory(const std::string& path) {
  if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return 0;
  SetErrnoFromLastError();
  return -1;
}

int MakeTemporaryDirectory(std::string& pattern) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  const std::size_t at = pattern.size() - 6;
  ULONGLONG seed = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (std::size_t i = 0; i < 6; ++i) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      pattern[at + i] = kLetters[(seed >> 33) % 36];
    }
    if (CreateDirectoryW(Wide(pattern).c_str(), nullptr)) return 0;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      SetErrnoFromLastError();
      return -1;
    }
  }
  errno = EEXIST;
  return -1;
}

std::string TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return ".";
  std::u16string folder(buffer, buffer + n);
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return Utf8ToGbk(Utf16ToUtf8(folder));
}

bool CanRead(const std::string& path) {
  const int fd = OpenRead(path);
  if (fd < 0) return false;
  _close(fd);
  return true;
}

bool ListNames(const std::string& dir, std::vector<std::string>* names) {
  std::wstring pattern = Wide(dir);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  const HANDLE h =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // empty
    SetErrnoFromLastError();
    return false;
  }
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    const std::u16string utf16(name.begin(), name.end());
    names->push_back(Utf8ToGbk(Utf16ToUtf8(utf16)));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return true;
}

int OpenLockFile(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  // A byte-range lock needs no write access.
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    h = CreateFileW(wide.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoForOpen(wide);
    return -1;
  }
  // A file on a disk (a directory's handle is one too), never a pipe or a device.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    errno = kNotRegularFile;
    return -1;
  }
  return Descriptor(h, _O_RDONLY);
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

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::string Utf8FileName(const std::string& path) {
  const std::wstring wide = Wide(path);
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

const char* SqliteVfs() {
  // The default VFS cuts a full path short at 1040 bytes of UTF-8 (260 characters of
  // four bytes), and Windows refuses one beyond 260 characters without the long form.
  return "win32-longpath";
}

bool IsReservedName(const std::string& name, std::string* why) {
  const std::u16string utf16 = GbkToUtf16(name);
  const auto say = [&](const char* text) {
    if (why != nullptr) *why = text;
    return true;
  };
  if (utf16.empty()) return false;
  const char16_t last = utf16.back();
  if (last == u'.' || last == u' ') return say("Windows 的文件名不能以句点或空格结尾");
  for (const char16_t c : utf16)
    if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'\\' || c == u'|' ||
        c == u'?' || c == u'*')
      return say("名称中有 Windows 文件名不允许的字符（< > : \" \\ | ? * 或控制字符）");
  // A device name, also with an extension ("NUL.txt") or blanks before it.
  std::u16string stem = utf16.substr(0, utf16.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  std::string upper;
  for (const char16_t c : stem) {
    if (c >= 0x80) return false;
    upper += static_cast<char>(std::towupper(c));
  }
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (upper == device) return say("这是 Windows 的设备名，不能作为文件名");
  if (upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) &&
      upper[3] >= '0' && upper[3] <= '9')
    return say("这是 Windows 的设备名，不能作为文件名");
  return false;
}

std::string FileNameKey(const std::string& name) {
  const std::u16string utf16 = GbkToUtf16(name);
  std::wstring wide(utf16.begin(), utf16.end());
  if (!wide.empty()) {
    // Case mapped as the file system maps it: without regard to any language.
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr, 0);
    std::wstring upper(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0 &&
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                      static_cast<int>(wide.size()), upper.data(), n, nullptr, nullptr, 0) == n)
      wide = upper;
  }
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace qoru::os
