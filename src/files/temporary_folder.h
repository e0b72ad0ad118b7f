// The temporary folders of a run: every scratch space that a command needs (the work
// area that a book set is converted into for check, screen and inspect, the reports of
// the processes over many book sets, the workbook writer's own files) is one of these.
// Each is a folder of its own in the user's temporary folder (TMPDIR or /tmp on Linux,
// where it is made private, 0700; the user's own temporary folder on Windows), named
// qoru-PURPOSE-XXXXXX, and it holds copies of a client's books, so nothing of it may
// stay once the run ends, however it ends:
// - the object removes the folder with everything in it when it goes out of scope;
// - an interrupt removes it before the process ends (interrupt_cleanup.h);
// - a process killed outright can do neither: the folder holds a lock (the file
//   .qoru-folder-lock in it, locked while the object lives, released by the system when
//   the process ends however it ends), and every run first removes the qoru-* folders
//   whose lock is free (RemoveAbandonedFolders). The folder of a run that is alive
//   keeps its lock and is never touched; a qoru-* folder without that lock file (one
//   being made at this moment, or not one of these) neither.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/interrupt_cleanup.h"

namespace qoru {

class TemporaryFolder {
 public:
  static constexpr const char* kLockName = ".qoru-folder-lock";

  // Makes the folder qoru-`purpose`-XXXXXX and takes its lock. Raises FileError, its
  // message for the user (which folder could not be written, and what to do), when it
  // cannot.
  explicit TemporaryFolder(std::string_view purpose);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // The folder, without a trailing separator.
  const std::string& path() const { return removal_.path(); }

 private:
  int lock_ = -1;               // the lock file, held (set while removal_ is made; kept
                                // by removal_, which closes it on an interrupt)
  RemovedOnInterrupt removal_;  // the folder
};

// Removes the folders qoru-* in the temporary folder whose lock is free: what runs that
// were killed outright left. Returns the names of those it removed.
std::vector<std::string> RemoveAbandonedFolders();

// The line that tells the user what RemoveAbandonedFolders removed (UTF-8), or empty
// when it removed nothing.
std::string AbandonedFoldersLine(const std::vector<std::string>& removed);

}  // namespace qoru
