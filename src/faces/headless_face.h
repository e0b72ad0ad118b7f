// The headless face shows nothing. Its start timer fires without waiting; its error
// box records the message, writes it to stderr and then closes the dialog as a user
// would, so that a run never hangs. Tests script a close request (while waiting, or
// at a chosen yield) and read back every change of status, progress and state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faces/face.h"

namespace qoru {

class HeadlessFace : public Face {
 public:
  struct Script {
    bool close_while_waiting = false;  // the user closes the dialog before the timer
    std::uint64_t close_at_yield = 0;  // the user closes it during yield n (from 1); 0: never
    bool record = false;               // keep every change in events()
    bool quiet = false;                // do not echo the error box to stderr
  };

  HeadlessFace() = default;
  explicit HeadlessFace(Script script) : script_(script) {}

  FaceEvent WaitEvent(bool timer_enabled, int interval_ms) override;
  bool ProcessMessages() override;
  void StatusChanged(const std::string& text_gbk) override;
  void ProgressChanged(const ProgressBar& bar) override;
  void StateChanged(DialogState state) override;
  void ErrorBox(const std::string& message) override;
  void Notice(const std::string& message) override;

  // Recorded changes, one text each: "status:<utf-8>", "progress:<parts>/<total> <p>%",
  // "state:<name>", "error:<message>", "notice:<message>".
  const std::vector<std::string>& events() const { return events_; }
  const std::vector<std::string>& errors() const { return errors_; }
  std::uint64_t yields() const { return yields_; }

 private:
  Script script_;
  bool close_pending_ = false;
  std::uint64_t yields_ = 0;
  std::vector<std::string> events_;
  std::vector<std::string> errors_;
};

}  // namespace qoru
