// One conversion per work area. A conversion holds an exclusive lock (flock on Linux,
// LockFileEx on Windows) on the file
// ".qoru-lock" in the work directory from its start to its end; a second one that
// finds it held is refused at once instead of emptying or writing TemplateTemp under
// the first. The kernel releases the lock when its process ends, however it ends, so a
// killed conversion never leaves a stale lock behind; the file itself stays.
//
// A host that takes the lock before it prepares the work area and then calls DoIt in
// the same process hands the lock down: it puts the descriptor's number in the
// environment variable QORU_WORK_AREA_LOCK_FD, and the library's own attempt, refused
// by the host's lock as by any other, then takes the lock through that descriptor
// when it is the same file.
#pragma once

#include <string>

namespace qoru {

class WorkAreaLock {
 public:
  static constexpr const char* kFileName = ".qoru-lock";
  static constexpr const char* kInheritedVariable = "QORU_WORK_AREA_LOCK_FD";

  enum class Outcome {
    kLocked,      // this object holds the work area now
    kInUse,       // another conversion holds it
    kUnavailable  // no lock file can be opened there (no work directory, no rights):
                  // the conversion goes on without, and meets the cause itself
  };

  WorkAreaLock() = default;
  ~WorkAreaLock();
  WorkAreaLock(const WorkAreaLock&) = delete;
  WorkAreaLock& operator=(const WorkAreaLock&) = delete;

  // Tries to take the lock of `work_dir` (GBK, ending in "/") without waiting.
  Outcome TryLock(const std::string& work_dir);
  // Like TryLock, but also takes over a lock that this process already holds through
  // the descriptor named in QORU_WORK_AREA_LOCK_FD.
  Outcome TryLockOrInherit(const std::string& work_dir);

  // The descriptor of the held lock file, or -1.
  int fd() const { return fd_; }

  // The message for a work area in use (UTF-8).
  static std::string InUseMessage(const std::string& work_dir);

 private:
  // TryLock, and with `inherit` TryLockOrInherit.
  Outcome Take(const std::string& work_dir, bool inherit);
  int fd_ = -1;          // the lock file, while held
  bool own_fd_ = false;  // fd_ was opened here (an inherited one is the host's)
};

}  // namespace qoru
