// What an interrupt leaves behind: nothing. SIGINT, SIGTERM and SIGHUP on Linux (and
// SIGPIPE, when the reader of the output goes away), and Ctrl-C, Ctrl-Break and the
// closing of the console window on Windows, end a program that installed this handling
// with the exit code 128 + the signal (130 for SIGINT; on Windows Ctrl-Break counts as
// SIGBREAK, 21, and the closing of the console as SIGHUP, 1), once it has
//   1. run the steps registered (InterruptStep): a run over many book sets passes the
//      interrupt on to its children and waits until each has removed what it made;
//   2. removed every path registered (RemovedOnInterrupt): the temporary folders that
//      hold copies of a client's books, the files not yet complete (a workpaper under
//      its temporary name),
// so that an interrupted run leaves no copy of a client's books and no partial file,
// and an earlier file of a target's name stays as it was.
//
// The work is done on a thread of the program's own (interrupt_cleanup_posix.cpp: one
// that the signal handler wakes through a pipe; interrupt_cleanup_win.cpp: the console's
// handler thread) while the run's own threads go on: a folder that they write into
// meanwhile is removed again until nothing stays. From the moment an interrupt begins,
// nothing new is registered (the call waits for the end of the process) and a normal
// exit waits for the interrupt's, so the process always ends with the interrupt's code.
// A process killed outright (SIGKILL, a power loss) can do none of this: the temporary
// folders' locks (temporary_folder.h) let the next run remove what it left.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qoru {

// Installs the handling for the rest of the process. A signal that the process was
// started with ignored (nohup, a background job of a script) stays ignored. For the
// entry of a program only, never for the library, whose host owns the process; once
// is enough, a second call does nothing. False when it could not be installed.
bool EndInterruptedRunsCleanly();

// A path that an interrupt removes, registered for the life of the object; its owner
// removes it in the normal course (or renames it into place) and then lets go of it.
class RemovedOnInterrupt {
 public:
  enum class Kind { kFile, kFolder };

  RemovedOnInterrupt() = default;
  // Calls `make`, which creates a file or folder and returns its path (empty when it
  // made none), and registers the path, both before an interrupt can begin its
  // removals: the interrupt then finds the path, or the call waits for the process to
  // end. Whatever `make` raises passes through, and nothing is registered. `held`,
  // when given, is a descriptor that `make` opened in the folder (its lock): the
  // registration keeps it, and the interrupt closes it before the removal (Windows
  // removes a folder only once nothing in it is open); see TakeHeld.
  RemovedOnInterrupt(Kind kind, const std::function<std::string()>& make, int* held = nullptr);
  ~RemovedOnInterrupt();
  RemovedOnInterrupt(RemovedOnInterrupt&& other) noexcept;
  RemovedOnInterrupt& operator=(RemovedOnInterrupt&& other) noexcept;
  RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
  RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

  const std::string& path() const { return path_; }
  // Ends the registration now (the path is gone, or in its place for good).
  void Release();
  // The descriptor kept with the path, for its owner to close; -1 when the interrupt
  // has closed it (or there was none). Either closes it, never both.
  int TakeHeld();

 private:
  std::uint64_t id_ = 0;  // 0: nothing registered
  std::string path_;
};

// A step that an interrupt runs before its removals, for the life of the object; it
// gets the signal's number and runs on the interrupt's thread, so it may wait. Once an
// interrupt has begun, the object's end waits for the end of the process, so that what
// the step works on stays while it runs.
class InterruptStep {
 public:
  explicit InterruptStep(std::function<void(int signal)> step);
  ~InterruptStep();
  InterruptStep(const InterruptStep&) = delete;
  InterruptStep& operator=(const InterruptStep&) = delete;

 private:
  std::uint64_t id_ = 0;
};

// What an interrupt does before the process ends: the steps, then the removals. Called
// by the platform's handling; a test calls it to see what it removes.
void CleanUpAfterInterrupt(int signal);
// Whether an interrupt has begun.
bool InterruptBegun();
// Waits for the end of the process when an interrupt has begun, else returns at once.
void AwaitInterruptIfBegun();

// For the tests that interrupt a run at a chosen point: when the environment variable
// QORU_TEST_PAUSE_AT names `point`, the run stops here for good (until it is ended),
// having first made a file in the folder that QORU_TEST_PAUSE_MARK names, so that the
// test knows where it stands. Does nothing otherwise. The points: "staging", "import",
// "testing", "workpaper".
void PauseForTestsAt(const char* point);

}  // namespace qoru
