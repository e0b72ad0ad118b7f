// The progress bar component: whole-number TotalParts and PartsComplete, and the
// percentage it shows.
//   - A new TotalParts resets PartsComplete and the percentage to 0; setting the value
//     it already has changes nothing.
//   - Setting PartsComplete to its current value changes nothing; a value above
//     TotalParts (compared as unsigned numbers) is stored as TotalParts.
//   - After PartsComplete changed, and while TotalParts is not 0, the percentage is
//     PartsComplete * 100 / TotalParts rounded to the nearest whole number, an exact
//     half going to the even neighbour.
// A listener hears of every change; it is called on the run's hot path, so it must
// be cheap.
#pragma once

#include <cstdint>
#include <functional>

namespace qoru {

class ProgressBar {
 public:
  int TotalParts() const { return total_; }
  int PartsComplete() const { return parts_; }
  int Percent() const { return percent_; }

  void SetTotalParts(int value);
  void SetPartsComplete(int value);

  // Percentage shown for `parts` of `total` (total not 0), rounded half to even.
  static int PercentOf(std::uint32_t parts, std::uint32_t total);

  void set_listener(std::function<void(const ProgressBar&)> listener) {
    listener_ = std::move(listener);
  }

 private:
  void Changed() {
    if (listener_) listener_(*this);
  }

  int total_ = 0;    // TotalParts
  int parts_ = 0;    // PartsComplete
  int percent_ = 0;  // the percentage shown
  std::function<void(const ProgressBar&)> listener_;
};

}  // namespace qoru
