#include "platform/x_display.h"

#include <cmath>
#include <cstdlib>

#include <FL/Fl.H>
#include <FL/x.H>

namespace qoru {

_XDisplay* WindowDisplay(std::string* why_not) {
  if (fl_display != nullptr) return fl_display;
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    if (why_not) *why_not = "没有可用的显示：环境变量 DISPLAY 没有设置";
    return nullptr;
  }
  // Opened here rather than by the toolkit, which ends the process when it cannot.
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    if (why_not) *why_not = std::string("没有可用的显示：无法连接到 DISPLAY=") + name;
    return nullptr;
  }
  fl_open_display(display);
  return display;
}

bool WindowDisplayIsOpen() {
  return fl_display != nullptr;
}

int ScreenDpi(_XDisplay* display) {
  if (const char* value = XGetDefault(display, "Xft", "dpi")) {
    char* end = nullptr;
    const double dpi = std::strtod(value, &end);
    if (end != value && dpi >= 48 && dpi <= 480) return static_cast<int>(std::lround(dpi));
  }
  return 96;
}

}  // namespace qoru
