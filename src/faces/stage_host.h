// What a stage of the run takes from the dialog: the progress bar, the status line
// and the yield to the message loop.
#pragma once

#include <string>

namespace qoru {

class ProgressBar;

class StageHost {
 public:
  virtual ~StageHost() = default;
  virtual ProgressBar& Progress() = 0;
  virtual void SetStatus(const std::string& text_gbk) = 0;
  // Lets the dialog process its waiting messages once (repaint, close request).
  virtual void Yield() = 0;
  // A note for the user beside the dialog (UTF-8), such as why staging stopped; the
  // dialog itself does not show it.
  virtual void Notice(const std::string& /*message*/) {}
};

}  // namespace qoru
