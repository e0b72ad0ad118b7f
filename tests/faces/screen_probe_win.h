// The user's side of the Win32 window face's tests: screenshots of a part of the
// screen, read back from the display through the screen's device context (under Wine,
// from the X server the windows are drawn on), and their PNG files, written by the
// system's imaging component.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qoru::test {

// A screenshot: 32-bit BGRX pixels, row by row from the top.
struct BgrImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu;
  }
};

// 0xRRGGBB of a pixel, for comparisons that read like the colours they name.
inline std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (g << 8) | b;
}

// The screen's pixels inside `area` (screen coordinates).
BgrImage GrabScreen(const RECT& area);
// The client area of `window` as it is on the screen.
BgrImage GrabClient(HWND window);
// The whole of `window`, frame and caption included.
BgrImage GrabWindow(HWND window);

// Writes `image` as a PNG file; false when it cannot.
bool WritePng(const BgrImage& image, const std::wstring& path);

}  // namespace qoru::test
