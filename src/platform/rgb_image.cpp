#include "platform/rgb_image.h"

#include <algorithm>
#include <cmath>

namespace qoru {
namespace {

// For each target coordinate: the two source coordinates it lies between and the
// weight of the second, in 1/256ths.
struct Tap {
  int lo, hi, weight;
};

std::vector<Tap> Taps(int source_size, int target_size) {
  std::vector<Tap> taps(static_cast<std::size_t>(target_size));
  const double scale = static_cast<double>(source_size) / target_size;
  for (int i = 0; i < target_size; ++i) {
    const double s = std::clamp((i + 0.5) * scale - 0.5, 0.0, source_size - 1.0);
    const int lo = static_cast<int>(s);
    const int hi = std::min(lo + 1, source_size - 1);
    taps[static_cast<std::size_t>(i)] = {lo, hi, static_cast<int>(std::lround((s - lo) * 256))};
  }
  return taps;
}

}  // namespace

RgbImage Stretch(const RgbImage& source, int width, int height) {
  if (source.width < 1 || source.height < 1 || width < 1 || height < 1) return {};
  RgbImage out(width, height);
  const std::vector<Tap> xs = Taps(source.width, width);
  const std::vector<Tap> ys = Taps(source.height, height);
  for (int y = 0; y < height; ++y) {
    const Tap& ty = ys[static_cast<std::size_t>(y)];
    for (int x = 0; x < width; ++x) {
      const Tap& tx = xs[static_cast<std::size_t>(x)];
      const std::uint8_t* a = source.At(tx.lo, ty.lo);
      const std::uint8_t* b = source.At(tx.hi, ty.lo);
      const std::uint8_t* c = source.At(tx.lo, ty.hi);
      const std::uint8_t* d = source.At(tx.hi, ty.hi);
      std::uint8_t* o = out.At(x, y);
      for (int k = 0; k < 3; ++k) {
        const int top = a[k] * (256 - tx.weight) + b[k] * tx.weight;
        const int bottom = c[k] * (256 - tx.weight) + d[k] * tx.weight;
        o[k] =
            static_cast<std::uint8_t>((top * (256 - ty.weight) + bottom * ty.weight + 32768) >> 16);
      }
    }
  }
  return out;
}

}  // namespace qoru
