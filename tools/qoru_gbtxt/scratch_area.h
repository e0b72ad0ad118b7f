// A work area of the inspection's own under /tmp, with its empty template and
// TemplateTemp, removed with everything in it; and the dialog's services for the stages
// that the inspection runs there, which show nothing.
#pragma once

#include <string>

#include "faces/progress_bar.h"
#include "faces/stage_host.h"

namespace qoru::host {

// A work area of the inspection's own under /tmp, removed with everything in it.
class ScratchArea {
 public:
  ScratchArea();  // raises std::runtime_error when no directory can be made
  ~ScratchArea();
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;
  const std::string& work() const { return work_; }

 private:
  std::string work_;  // ends with "/"
};

// The dialog's services for the chart completion, which shows nothing here.
class SilentHost : public StageHost {
 public:
  ProgressBar& Progress() override { return bar_; }
  void SetStatus(const std::string&) override {}
  void Yield() override {}

 private:
  ProgressBar bar_;
};

}  // namespace qoru::host
