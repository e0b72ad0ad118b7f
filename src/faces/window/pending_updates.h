// What both window faces keep between the run's calls and their dialog: the latest
// status text and percentage, shown when the dialog is next brought up to date rather
// than on every call (a run that reports each row must not wait on drawing); the pace of
// those updates; WaitEvent's timer; and a use of the close box not yet reported.
#pragma once

#include <chrono>
#include <string>

namespace qoru {

class PendingUpdates {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PendingUpdates(std::chrono::milliseconds check_every) : check_every_(check_every) {}

  void SetStatus(const std::string& text_gbk) {
    status_gbk_ = text_gbk;
    status_changed_ = true;
  }
  void SetPercent(int percent) { percent_ = percent; }
  const std::string& status_gbk() const { return status_gbk_; }
  int percent() const { return percent_; }
  // True once after each SetStatus: the dialog has not shown that status yet.
  bool TakeStatusChange() {
    const bool changed = status_changed_;
    status_changed_ = false;
    return changed;
  }

  // The dialog was just brought up to date: the next update falls check_every later.
  void Updated() { next_update_ = Clock::now() + check_every_; }
  // True when the next update is due; it is then counted as made.
  bool UpdateDue() {
    const auto now = Clock::now();
    if (now < next_update_) return false;
    next_update_ = now + check_every_;
    return true;
  }

  void RequestClose() { close_requested_ = true; }
  bool TakeCloseRequest() {
    const bool requested = close_requested_;
    close_requested_ = false;
    return requested;
  }

  // WaitEvent's timer: armed by the first call with it enabled, disarmed by one without.
  void ArmTimer(bool enabled, int interval_ms) {
    if (!enabled) {
      timer_armed_ = false;
    } else if (!timer_armed_) {
      timer_armed_ = true;
      timer_due_ = Clock::now() + std::chrono::milliseconds(interval_ms);
    }
  }
  // True when the armed timer is due at `now`; it is then disarmed.
  bool TakeTimerTick(Clock::time_point now) {
    if (!timer_armed_ || now < timer_due_) return false;
    timer_armed_ = false;
    return true;
  }
  bool timer_armed() const { return timer_armed_; }
  Clock::time_point timer_due() const { return timer_due_; }

 private:
  std::chrono::milliseconds check_every_;
  Clock::time_point next_update_{};
  std::string status_gbk_;
  bool status_changed_ = false;
  int percent_ = 0;
  bool close_requested_ = false;
  bool timer_armed_ = false;
  Clock::time_point timer_due_{};
};

}  // namespace qoru
