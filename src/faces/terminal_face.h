// The terminal face: the dialog as one status line and a progress bar with its
// percentage on stderr.
//   - On a terminal the line is redrawn in place, at most about 20 times a second, so
//     that a million yields cost next to nothing. It is cut to the terminal's width
//     (read again on every redraw, and redrawn at once when the terminal is resized),
//     so it never wraps. Otherwise the face writes a plain line per status change.
//   - Ctrl-C is the close request: while waiting it cancels at once; during the run it
//     is recorded, the face says that the run finishes first and that a second Ctrl-C
//     aborts, and the run goes on. A second Ctrl-C during the run ends the process at
//     once with exit status 130, like a kill: the database keeps what was committed
//     and its journal undoes the rest.
//   - Messages (notes, the error box) are broken into lines that fit the terminal.
//   - When the call is over the status line is cleared and one closing line, cut to the
//     width, says what happened: done with the database's path, or not with the reason.
// Only one terminal face may be shown at a time (it owns Ctrl-C and the terminal's resizes
// while shown, and gives back the previous handlers when hidden).
#pragma once

#include <chrono>
#include <string>

#include "faces/face.h"

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
  void StateChanged(DialogState state) override;
  void ErrorBox(const std::string& message) override;
  void Notice(const std::string& message) override;
  void Finished(bool ok, const std::string& text) override;

  // The status line for a terminal `columns` wide: status, bar and percentage, cut to
  // fit in columns - 1 so that the cursor never reaches the last column.
  static std::string StatusLine(const std::string& status_utf8, int percent, int columns);

 private:
  using Clock = std::chrono::steady_clock;
  void Redraw();
  void ClearLine();
  void PrintMessage(const std::string& message);
  bool TakeInterrupt();
  int Columns() const;

  bool interactive_;            // stderr is a terminal: redraw in place
  bool input_interactive_;      // stdin is a terminal: the error box waits for Enter
  bool close_pending_ = false;  // a close request not yet handed to the loop
  bool told_finish_first_ = false;
  bool dirty_ = false;  // something changed since the last redraw
  bool drawn_ = false;  // the status line is on the screen
  bool timer_armed_ = false;
  Clock::time_point timer_due_{};
  Clock::time_point last_draw_{};
  std::string caption_;  // UTF-8
  std::string status_;   // UTF-8
  int percent_ = 0;
  bool handlers_installed_ = false;
};

}  // namespace qoru
