// An 8-bit RGB picture held in memory, row by row, three bytes a pixel, and its
// stretching to another size.
#pragma once

#include <cstdint>
#include <vector>

namespace qoru {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 3 bytes, rows top to bottom

  RgbImage() = default;
  RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 3) {}

  std::uint8_t* At(int x, int y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 3]; }
  const std::uint8_t* At(int x, int y) const {
    return &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
  }
};

// `source` stretched (or shrunk) to `width` x `height` by bilinear interpolation
// between pixel centres: corners keep their colour and a uniform picture stays
// uniform. An empty source or a size below 1 gives an empty picture.
RgbImage Stretch(const RgbImage& source, int width, int height);

}  // namespace qoru
