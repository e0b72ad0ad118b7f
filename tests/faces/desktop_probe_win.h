// The user's side of the Win32 dialog's tests: screenshots of windows, read back from
// the display through the screen's device context (under Wine, from the X server the
// windows are drawn on), their PNG files (written by the system's imaging component),
// a stand-in for the host's main window, and what a user sees of a window. Handles are
// passed as numbers, so that a test that also includes the library's OLE string
// declarations need not include <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qoru::test {

// A screenshot: 32-bit BGRX pixels, row by row from the top.
struct BgrImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // 0xRRGGBB of the pixel at (x, y).
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu;
  }
};

inline std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (g << 8) | b;
}

// Whether windows reach a screen that screenshots can read: on Windows always; under
// Wine only on the display that tests/faces/wine-desktop gives (it sets
// QORU_WINE_DESKTOP), not under Wine without a display, where windows exist but are
// drawn nowhere.
bool HasDesktop();

// The client area of `window` as it is on the screen.
BgrImage GrabClient(std::uintptr_t window);
// The whole of `window`, frame and caption included.
BgrImage GrabWindow(std::uintptr_t window);
// Writes `image` to screenshots\NAME.png under the working directory; false when it
// cannot.
bool WriteScreenshot(const BgrImage& image, const std::string& name);

// The host's main window: a plain visible top-level window of the calling thread.
class HostWindow {
 public:
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  std::uintptr_t id() const { return id_; }

 private:
  std::uintptr_t id_ = 0;
};

// The visible top-level window captioned `caption`, or 0.
std::uintptr_t FindVisibleWindow(const std::wstring& caption);
std::uintptr_t OwnerOf(std::uintptr_t window);
bool IsEnabled(std::uintptr_t window);
bool Exists(std::uintptr_t window);
std::wstring CaptionOf(std::uintptr_t window);
// The width and height of the client area.
std::pair<int, int> ClientSize(std::uintptr_t window);

}  // namespace qoru::test
