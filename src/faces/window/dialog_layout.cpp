#include "faces/window/dialog_layout.h"

#include <cstdint>
#include <cstdlib>

namespace qoru {

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = std::llabs(c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogLayout ScaledDialogLayout(int dpi) {
  if (dpi < 1) dpi = 96;
  DialogLayout l;
  l.font_px = MulDiv(12, dpi, 96);
  const auto s = [&](int v) { return MulDiv(v, l.font_px, 12); };
  l.client_w = s(336);
  l.client_h = s(89);
  l.banner = {0, 0, l.client_w, s(33)};
  l.panel = {0, l.banner.h, l.client_w, l.client_h - l.banner.h};
  l.label = {s(52), s(8), 0, 0};
  // The bar is aligned to the panel's bottom edge inside its one-pixel border, which
  // keeps its width at every resolution.
  const int bar_h = s(24);
  l.bar = {1, l.panel.h - 1 - bar_h, l.panel.w - 2, bar_h};
  return l;
}

}  // namespace qoru
