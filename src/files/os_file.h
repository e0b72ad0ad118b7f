// The operating system's file calls, behind one small interface that every room above
// uses instead of the system's own: os_file_posix.cpp for Linux, os_file_win.cpp for
// Windows. Paths are GBK byte strings, "/" the separator ("\" too on Windows).
//
// Descriptors are the C runtime's (read, write and close work on them everywhere);
// every file is opened in binary mode and not inherited by child processes. A failure
// returns false or -1 and leaves its cause in errno; on Windows a file that another
// program holds open without sharing gives kSharingViolation (errors/errors.h).
//
// On Windows the paths go to the wide-character API: converted from GBK to UTF-16
// with the library's own tables, and given the long-path form (\\?\ or \\?\UNC\) when
// they are long, so that neither the ANSI code page nor the 260-character limit stands
// in the way.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qoru::os {

enum class Kind { kMissing, kRegular, kDirectory, kLink, kOther };

struct FileInfo {
  Kind kind = Kind::kMissing;
  unsigned mode = 0;   // permission bits (0444 for a read-only file on Windows)
  long long size = 0;  // in bytes
  // When the content last changed, in the system's own units: for comparing two
  // statuses of a file, not for showing.
  long long modified = 0;
};

// The status of `path`; with `follow` false, a symbolic link (a reparse point on
// Windows) is reported as kLink instead of what it points to.
bool Stat(const std::string& path, FileInfo* info, bool follow = true);
bool StatOpen(int fd, FileInfo* info);
// Whether the two paths, or the open file and the path, name one file.
bool SameFile(const std::string& a, const std::string& b);
bool SameFile(int fd, const std::string& path);

// Opens for reading, without ever waiting: a path that is no regular file nor
// directory (a named pipe, a device, a socket) fails with kNotRegularFile.
int OpenRead(const std::string& path);
// Opens for writing and truncates; creates the file (with `mode`, less the umask) when
// `create`. Never writes through a symbolic link standing at `path` (ELOOP).
int OpenWrite(const std::string& path, bool create, unsigned mode = 0644);
// Opens for appending, creating the file (0644 less the umask) when missing; never
// through a symbolic link standing at `path` (ELOOP).
int OpenAppend(const std::string& path);
long Read(int fd, void* data, std::size_t size);
long Write(int fd, const void* data, std::size_t size);
int Close(int fd);
int Sync(int fd);
// Tells the system that `fd` will be read from start to end (a hint; nothing fails).
void AdviseSequential(int fd);
int SetMode(int fd, unsigned mode);
// The permission bits a file newly created with `mode` gets: `mode` less the process's
// umask on Linux; `mode` itself on Windows, where SetMode keeps files writable anyway.
unsigned NewFileMode(unsigned mode);

// Creates a new empty file exclusively at `pattern`, whose last six characters
// ("XXXXXX") are replaced; a descriptor open for writing, or -1.
int CreateTemporary(std::string& pattern);
int Remove(const std::string& path);
// Renames, replacing what stands at `to` in one step.
int Rename(const std::string& from, const std::string& to);
// Renames only when nothing stands at `to` (else -1 with EEXIST).
int RenameNoReplace(const std::string& from, const std::string& to);
int MakeDirectory(const std::string& path);
// Removes an empty directory.
int RemoveEmptyDirectory(const std::string& path);
// Creates a new directory at `pattern`, whose last six characters ("XXXXXX") are
// replaced; 0, or -1 with errno.
int MakeTemporaryDirectory(std::string& pattern);
// The folder for temporary files (TMPDIR or /tmp; the user's TEMP on Windows), without
// a trailing separator.
std::string TemporaryFolder();
// Whether the file can be opened for reading now.
bool CanRead(const std::string& path);

// The names in a directory ("." and ".." left out) in the system's order; false when
// it cannot be read.
bool ListNames(const std::string& dir, std::vector<std::string>* names);

// The path as a library that takes UTF-8 file names (SQLite) must be given it: the
// bytes themselves on Linux; on Windows the UTF-8 of the path the wide-character calls
// get (the long-path form when long).
std::string Utf8FileName(const std::string& path);
// The SQLite VFS to open databases with (nullptr: the default): on Windows the one
// that takes paths beyond 260 characters in the long-path form.
const char* SqliteVfs();

// The work area's lock (files/work_area_lock.h): the lock file opened, created when
// missing (read-only where it cannot be written), or -1; and an exclusive lock taken on
// it without waiting. The lock belongs to the descriptor: another descriptor of the
// same file, in this process or another, is refused while it is held, and closing the
// descriptor (or the end of the process) releases it.
int OpenLockFile(const std::string& path);
enum class LockResult { kLocked, kBusy, kFailed };
LockResult TryLockExclusive(int fd);
// Whether `fd`, open on a lock file that another descriptor could not lock, holds the
// lock itself (Linux: locking it again succeeds; Windows, where a second lock through
// the holder fails too: it is taken to be the holder once it locks or finds it held).
bool HoldsLock(int fd);

// Whether `c` separates the parts of a path ("/"; on Windows also "").
bool IsSeparator(char c);

// Whether `name` is one that the platform refuses as a file name of its own (Windows:
// a device name such as CON or NUL with any extension, a trailing dot or blank, a
// character that Windows does not allow in names); `why`, when given, says why.
bool IsReservedName(const std::string& name, std::string* why = nullptr);

// The form in which the file system tells file names apart, for finding two names that
// would be one file: the name itself on Linux; on Windows, which ignores case, the name
// upper-cased (as UTF-8).
std::string FileNameKey(const std::string& name);

}  // namespace qoru::os
