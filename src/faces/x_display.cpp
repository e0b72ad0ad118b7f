#include "faces/x_display.h"

#include <cmath>
#include <cstdlib>

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

namespace qoru {

_XDisplay* WindowDisplay(std::string* why_not) {
  if (fl_display != nullptr) return fl_display;
  // Opened here rather than by the toolkit, which ends the process when it cannot.
  const char* name = std::getenv("DISPLAY");
  const bool named = name != nullptr && *name != '\0';
  Display* display = named ? XOpenDisplay(name) : nullptr;
  if (display != nullptr) {
    fl_open_display(display);
  } else if (why_not != nullptr) {
    *why_not = named ? std::string("没有可用的显示：无法连接到 DISPLAY=") + name
                     : std::string("没有可用的显示：环境变量 DISPLAY 没有设置");
  }
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

bool WindowExists(Display* display, unsigned long window) {
  if (window == 0) return false;
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XWindowAttributes attributes;
  const Status ok = XGetWindowAttributes(display, window, &attributes);
  XSync(display, False);
  XSetErrorHandler(previous);
  return ok != 0;
}

void MarkDialogWindow(Display* display, unsigned long dialog, unsigned long owner) {
  const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom type_dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, dialog, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type_dialog), 1);

  // The window manager hints of the Motif convention, which most window managers read
  // to choose the functions and decorations they offer: flags (functions, decorations),
  // functions (move, close), decorations (border, title, menu), input mode, status.
  const unsigned long hints[5] = {1 | 2, 4 | 32, 2 | 8 | 16, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, dialog, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(hints), 5);

  if (owner == 0) return;
  XSetTransientForHint(display, dialog, owner);
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom modal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
  XChangeProperty(display, dialog, state, XA_ATOM, 32, PropModeAppend,
                  reinterpret_cast<const unsigned char*>(&modal), 1);
}

}  // namespace qoru
