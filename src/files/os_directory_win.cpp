// Directories, temporary files and folders, removals and renames on Windows, through
// the wide-character API (os_file_edge_win.h). A read-only file is removed as on Linux,
// and a rename onto a file that another program holds open says so (kSharingViolation).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "errors/errors.h"
#include "files/os_file.h"
#include "files/os_file_edge_win.h"
#include "text/gbk_codec.h"

namespace qoru::os {
namespace {

using win::Descriptor;
using win::ErrnoOf;
using win::SetErrnoForOpen;
using win::SetErrnoFromLastError;
using win::Wide;

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

}  // namespace

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

}  // namespace qoru::os
