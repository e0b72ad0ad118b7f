#include "faces/window/x_display.h"

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

DialogAtoms InternDialogAtoms(Display* display) {
  char* names[] = {const_cast<char*>("_NET_WM_WINDOW_TYPE"),
                   const_cast<char*>("_NET_WM_WINDOW_TYPE_DIALOG"),
                   const_cast<char*>("_MOTIF_WM_HINTS"), const_cast<char*>("_NET_WM_STATE"),
                   const_cast<char*>("_NET_WM_STATE_MODAL")};
  Atom atoms[5] = {};
  XInternAtoms(display, names, 5, False, atoms);
  return {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4]};
}

void MarkDialogWindow(Display* display, const DialogAtoms& atoms, unsigned long dialog,
                      unsigned long owner) {
  const Atom type_dialog = atoms.type_dialog;
  XChangeProperty(display, dialog, atoms.window_type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type_dialog), 1);

  // The window manager hints of the Motif convention, which most window managers read
  // to choose the functions and decorations they offer: flags (functions, decorations),
  // functions (move, close), decorations (border, title, menu), input mode, status.
  const unsigned long hints[5] = {1 | 2, 4 | 32, 2 | 8 | 16, 0, 0};
  XChangeProperty(display, dialog, atoms.motif_hints, atoms.motif_hints, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(hints), 5);

  if (owner != 0) {
    XSetTransientForHint(display, dialog, owner);
    const Atom modal = atoms.state_modal;
    XChangeProperty(display, dialog, atoms.state, XA_ATOM, 32, PropModeAppend,
                    reinterpret_cast<const unsigned char*>(&modal), 1);

    XEvent add{};
    add.xclient.type = ClientMessage;
    add.xclient.window = dialog;
    add.xclient.message_type = atoms.state;
    add.xclient.format = 32;
    add.xclient.data.l[0] = 1;  // add
    add.xclient.data.l[1] = static_cast<long>(atoms.state_modal);
    add.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &add);
  }
  XFlush(display);
}

}  // namespace qoru
