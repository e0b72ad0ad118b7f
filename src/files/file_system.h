// The file system services of the run: directory listing, existence tests, the copy
// that refuses to overwrite, files that replace a target in one step, and the check
// that keeps names taken from a data set inside the work area. Paths are GBK byte
// strings with "/" as the separator.
//
// Nothing here writes through a symbolic link that stands at a target's name: new
// files are created exclusively under a temporary name beside the target and renamed
// onto it, which replaces the link itself. A process killed half-way therefore leaves
// the target as it was (and at worst a stray temporary file), never a torn target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/interrupt_cleanup.h"

namespace qoru {

// Names of the entries of a directory (files and directories alike, "." and ".."
// left out), in the order the system returns them; empty when it cannot be read.
std::vector<std::string> ListDirectory(const std::string& dir);

bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
bool PathExists(const std::string& path);
// Creates the directory `path` and its missing parents; false (errno set) when it
// cannot, or when something else than a directory stands at `path`.
bool MakeDirectories(const std::string& path);
// True when `path` itself is a symbolic link (dangling or not).
bool IsSymbolicLink(const std::string& path);

// Removes `dir` with everything below it, as far as it can; a symbolic link below it is
// removed itself, never what it points to. False when something stayed.
bool RemoveTree(const std::string& dir);

// The whole content of the file at `path`; false (errno set) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* content);
// Writes `bytes` as the whole content of the file at `path` (created or truncated),
// byte for byte; false (errno set) when it cannot.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

// The directory part of `path` ("a/b" of "a/b/c.txt", "/" of "/c.txt", "" of "c.txt"),
// split at the last separator that is a character of its own (a GBK character's second
// byte may be the byte of "\").
std::string ParentDirectory(const std::string& path);
// The last part of `path` ("c.txt" of "a/b/c.txt").
std::string LastPathPart(const std::string& path);
// Whether `path` ends with a separator that is a character of its own: on Windows the
// last byte "\" of "誠" (0xD5 0x5C) is none.
bool EndsWithSeparator(std::string_view path);
// `path` with a "/" at its end, unless it ends with a separator already.
std::string WithSeparator(std::string path);
// `path` without the separators at its end; a path of separators only keeps one.
std::string WithoutTrailingSeparators(std::string path);

// Whether `path` is the directory `dir` or lies inside it, compared as files, not as
// texts: a link to either, or another spelling of it, counts as it. False when either
// does not exist.
bool IsWithinDirectory(const std::string& path, const std::string& dir);

// Raises FileError naming `path` when it exists but is no regular file: a directory,
// or a pipe, device or socket, which a reader would wait on forever or never finish.
// A missing path passes (opening it says so).
void RequireRegularFile(const std::string& path);

// A new file that is to take the place of `target` once it is complete. It is created
// at once, empty, beside the target under a temporary name (target + ".XXXXXX"), with
// the permissions `mode` less the umask; the caller writes it by path(). Commit() renames it onto
// the target, replacing whatever stood there (a file, or a link itself) in one step;
// CommitExclusive() does so only when nothing stands there. A replacement that is not
// committed is removed when it goes out of scope. Failures raise FileError naming the
// target.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string target, unsigned mode = 0644);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& path() const { return path_; }
  const std::string& target() const { return target_; }

  void Commit();
  // False, leaving the target untouched, when the target exists.
  bool CommitExclusive();

 private:
  std::string target_;
  std::string path_;            // empty once committed
  RemovedOnInterrupt removal_;  // path_, while it is there
};

// Copies `source` to `target` through a ReplacementFile: an existing target (a link
// included) is left untouched, and a copy cut short leaves no target. Returns false
// when the copy did not take place; `failure`, when given, then says why in Chinese,
// naming the file, unless it was the existing target.
bool CopyFileExclusive(const std::string& source, const std::string& target,
                       std::string* failure = nullptr);

// Raises UnsafeNameError when `name`, a file name taken from a data set, is not a bare
// name: one that holds "/" or a NUL byte, or is empty, "." or "..". `origin` says
// where the name came from, for the message.
void CheckBareFileName(std::string_view name, std::string_view origin);

}  // namespace qoru
