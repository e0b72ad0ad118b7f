// A work area of a command's own, a temporary folder (files/temporary_folder.h) with its
// empty template and TemplateTemp, removed with everything in it however the run ends;
// and the dialog's services for the stages that the inspection runs there, which show
// nothing.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "files/temporary_folder.h"

namespace qoru::book_sets {

// The scratch area cannot be made: refused before the command reads anything, as
// convert refuses a work area that cannot be written.
class ScratchAreaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A work area of a command's own, the temporary folder qoru-`purpose`-XXXXXX prepared
// as the host prepares a work area.
class ScratchArea {
 public:
  // Raises ScratchAreaError, its message for the user, when the area cannot be made.
  explicit ScratchArea(const char* purpose);
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;
  const std::string& work() const { return work_; }

 private:
  std::optional<TemporaryFolder> folder_;
  std::string work_;  // ends with "/"
};

// For a run on a book set's folder (--source): `source` checked, without its trailing
// "/", and a scratch area for `purpose` made in `area` (announced on a terminal); the
// reason for the user when either fails, else empty.
std::string ScratchForSource(std::string& source, const char* purpose,
                             std::optional<ScratchArea>& area);

// The dialog's services for the chart completion, which shows nothing here.
class SilentHost : public StageHost {
 public:
  ProgressBar& Progress() override { return bar_; }
  void SetStatus(const std::string&) override {}
  void Yield() override {}

 private:
  ProgressBar bar_;
};

}  // namespace qoru::book_sets
