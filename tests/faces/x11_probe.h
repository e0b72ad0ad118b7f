// The user's side of the window face's tests: a connection of its own to the X server
// that finds the dialog's windows by caption, reads their properties, takes
// screenshots, and acts as the user and the window manager would (the close box,
// key presses). It may be used on a thread of its own while the dialog runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "faces/window/dialog_layout.h"

struct _XDisplay;

namespace qoru::test {

// A screenshot: 8-bit RGB, row by row, three bytes a pixel.
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

class X11Probe {
 public:
  X11Probe();  // connects to DISPLAY; throws std::runtime_error when it cannot
  ~X11Probe();
  X11Probe(const X11Probe&) = delete;
  X11Probe& operator=(const X11Probe&) = delete;

  // A top-level window whose _NET_WM_NAME is `caption` (UTF-8), or 0.
  unsigned long FindWindow(const std::string& caption) const;
  // Polls for it until `timeout`; 0 when it did not appear.
  unsigned long WaitForWindow(const std::string& caption, std::chrono::milliseconds timeout) const;
  // Waits until no such window is left; false on timeout.
  bool WaitForWindowGone(const std::string& caption, std::chrono::milliseconds timeout) const;

  std::string Caption(unsigned long window) const;
  Rect Geometry(unsigned long window) const;  // position on the screen and size
  unsigned long TransientFor(unsigned long window) const;
  std::vector<std::string> NetWmState(unsigned long window) const;  // atom names

  RgbImage Grab(unsigned long window) const;  // the window's content
  RgbImage GrabScreen(const Rect& area) const;

  // What the window manager sends when the user clicks the close box.
  void RequestClose(unsigned long window) const;
  // A key press and release through XTest, to the window under the pointer, which is
  // moved to the middle of `window` first.
  void PressKey(unsigned long window, unsigned long keysym) const;

  // A plain top-level window that stands in for the host's main window.
  unsigned long CreateHostWindow() const;

 private:
  _XDisplay* display_;
};

// Writes an 8-bit RGB PNG; throws std::runtime_error when it cannot.
void WritePng(const RgbImage& image, const std::string& path);

}  // namespace qoru::test
