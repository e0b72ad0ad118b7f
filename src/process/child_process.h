// Child processes, per platform (child_process_posix.cpp, child_process_win.cpp): a
// program started with its input from the null device and its output and errors written
// to two files, the wait for whichever child ends first, and an interrupt of this
// process passed on to the children and waited out. A run over many book sets
// (book_sets/book_set_runs.h) runs one child per book set.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qoru::process {

// How a child ended.
struct ChildEnd {
  std::size_t tag = 0;   // what Start was given
  int exit_code = 0;     // its exit code, when it ended by exiting
  std::string abnormal;  // otherwise how it ended ("信号 9", "代码 0xC0000005"), else empty
};

class ChildProcesses {
 public:
  ChildProcesses();
  ~ChildProcesses();
  ChildProcesses(const ChildProcesses&) = delete;
  ChildProcesses& operator=(const ChildProcesses&) = delete;

  // Starts the program at `words[0]` with the arguments `words` (words[0] included),
  // the environment of this process, nothing to read, and its standard output and
  // errors written to `out_path` and `err_path` (created or truncated); nothing else of
  // this process is handed down. False, with the reason in Chinese in `error`, when
  // it cannot start. Paths and words are byte strings as this process's own arguments
  // arrive (GBK on Windows).
  bool Start(std::size_t tag, const std::vector<std::string>& words, const std::string& out_path,
             const std::string& err_path, std::string* error);

  // Waits until one of the running children ends; false when none runs (or waiting
  // fails).
  bool WaitAny(ChildEnd* end);

  std::size_t running() const;

 private:
  struct Children;
  std::unique_ptr<Children> children_;
};

// The path of the running program.
std::string SelfPath();

}  // namespace qoru::process
