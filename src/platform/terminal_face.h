// The terminal face: the dialog as one status line and a progress bar with its
// percentage on stderr. On a terminal the line is redrawn in place, at most about 20
// times a second, so that a million yields cost next to nothing; otherwise it writes
// a plain line per status change. Ctrl-C is the close request: while waiting it
// cancels at once, during the run it is recorded and the run finishes first.
#pragma once

#include <chrono>
#include <csignal>
#include <string>

#include "platform/face.h"

namespace qoru {

class TerminalFace : public Face {
 public:
  TerminalFace();
  ~TerminalFace() override;

  void Shown(const std::string& caption_gbk) override;
  void Hidden() override;
  FaceEvent WaitEvent(bool timer_enabled, int interval_ms) override;
  bool ProcessMessages() override;
  void StatusChanged(const std::string& text_gbk) override;
  void ProgressChanged(const ProgressBar& bar) override;
  void ErrorBox(const std::string& message) override;
  void Notice(const std::string& message) override;

 private:
  using Clock = std::chrono::steady_clock;
  void Redraw();
  bool TakeInterrupt();

  bool interactive_;            // stderr is a terminal: redraw in place
  bool input_interactive_;      // stdin is a terminal: the error box waits for Enter
  bool close_pending_ = false;  // a close request not yet handed to the loop
  bool told_finish_first_ = false;
  bool dirty_ = false;  // something changed since the last redraw
  bool timer_armed_ = false;
  Clock::time_point timer_due_{};
  Clock::time_point last_draw_{};
  std::string caption_;  // UTF-8
  std::string status_;   // UTF-8
  int percent_ = 0;
  struct sigaction old_action_ {};
  bool handler_installed_ = false;
};

}  // namespace qoru
