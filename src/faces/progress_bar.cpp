#include "faces/progress_bar.h"

namespace qoru {

int ProgressBar::PercentOf(std::uint32_t parts, std::uint32_t total) {
  const std::uint64_t scaled = static_cast<std::uint64_t>(parts) * 100;
  std::uint64_t q = scaled / total;
  const std::uint64_t twice_rest = (scaled % total) * 2;
  if (twice_rest > total || (twice_rest == total && (q & 1) != 0)) ++q;
  return static_cast<int>(q);
}

void ProgressBar::SetTotalParts(int value) {
  if (value == total_) return;
  total_ = value;
  parts_ = 0;
  percent_ = 0;
  Changed();
}

void ProgressBar::SetPartsComplete(int value) {
  if (value == parts_) return;
  const int stored =
      static_cast<std::uint32_t>(value) > static_cast<std::uint32_t>(total_) ? total_ : value;
  if (stored == parts_) return;
  parts_ = stored;
  if (total_ != 0)
    percent_ = PercentOf(static_cast<std::uint32_t>(parts_), static_cast<std::uint32_t>(total_));
  Changed();
}

}  // namespace qoru
