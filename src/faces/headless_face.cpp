#include "faces/headless_face.h"

#include <cstdio>

#include <fmt/format.h>

#include "faces/progress_bar.h"
#include "text/control_escape.h"
#include "text/gbk_codec.h"

namespace qoru {

FaceEvent HeadlessFace::WaitEvent(bool timer_enabled, int /*interval_ms*/) {
  if (script_.close_while_waiting) {
    script_.close_while_waiting = false;
    return FaceEvent::kCloseRequest;
  }
  if (close_pending_) {
    close_pending_ = false;
    return FaceEvent::kCloseRequest;
  }
  if (timer_enabled) return FaceEvent::kTimerTick;
  // Nothing can happen any more: close as a user would.
  return FaceEvent::kCloseRequest;
}

bool HeadlessFace::ProcessMessages() {
  ++yields_;
  if (script_.close_at_yield != 0 && yields_ == script_.close_at_yield) {
    if (script_.record) events_.push_back("close-request");
    return true;
  }
  return false;
}

void HeadlessFace::StatusChanged(const std::string& text_gbk) {
  if (script_.record) events_.push_back("status:" + GbkToUtf8(text_gbk));
}

void HeadlessFace::ProgressChanged(const ProgressBar& bar) {
  if (script_.record)
    events_.push_back(
        fmt::format("progress:{}/{} {}%", bar.PartsComplete(), bar.TotalParts(), bar.Percent()));
}

void HeadlessFace::StateChanged(DialogState state) {
  if (script_.record) events_.push_back(std::string("state:") + DialogStateName(state));
}

void HeadlessFace::Notice(const std::string& message) {
  if (script_.record) events_.push_back("notice:" + message);
  if (!script_.quiet) ShowText(stderr, message + "\n");
}

void HeadlessFace::ErrorBox(const std::string& message) {
  errors_.push_back(message);
  if (script_.record) events_.push_back("error:" + message);
  if (!script_.quiet) ShowText(stderr, "错误：" + message + "\n");
  close_pending_ = true;  // the user dismisses the box and closes the dialog
}

}  // namespace qoru
