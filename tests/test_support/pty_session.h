// A command run in a pseudo-terminal of a given width, for tests of what a user sees
// on a terminal: the output as the terminal received it, bytes typed at the keyboard
// (Ctrl-C included, which the terminal turns into SIGINT), and the exit status.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace qoru::test {

class PtySession {
 public:
  // Starts `argv` (argv[0] is the program's path) in a terminal `columns` wide.
  PtySession(const std::vector<std::string>& argv, int columns);
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  // Reads output until `until` returns true for everything read so far, the command
  // ends, or `timeout_ms` passes; returns whether `until` became true.
  bool ReadUntil(const std::function<bool(const std::string&)>& until, int timeout_ms);
  // Types `bytes` at the terminal.
  void Type(const std::string& bytes);
  // Reads to the end and returns the exit status (128 + signal for a signal; -1 when
  // the command did not end within `timeout_ms`, after which it is killed).
  int Wait(int timeout_ms);

  const std::string& output() const { return output_; }

 private:
  bool ReadSome(int timeout_ms);  // false at the end of the output

  pid_t pid_ = -1;
  int master_ = -1;
  std::string output_;
};

// The lines that a terminal `columns` wide would show for `output`: carriage returns
// go back to the start of the line, "ESC [ K" erases to its end, other escape
// sequences are dropped. Returns the widest line's columns through `widest`.
std::vector<std::string> ScreenLines(const std::string& output, std::size_t* widest);

}  // namespace qoru::test
