#include "platform/x11_dialog_hints.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qoru {
namespace {

int IgnoreError(Display*, XErrorEvent*) {
  return 0;
}

// The window manager hints of the Motif convention, which most window managers read
// to choose the functions and decorations they offer.
struct MotifHints {
  unsigned long flags;
  unsigned long functions;
  unsigned long decorations;
  long input_mode;
  unsigned long status;
};
constexpr unsigned long kHintsFunctions = 1, kHintsDecorations = 2;
constexpr unsigned long kFunctionMove = 4, kFunctionClose = 32;
constexpr unsigned long kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16;

}  // namespace

bool WindowExists(Display* display, unsigned long window) {
  if (window == 0) return false;
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler(IgnoreError);
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

  MotifHints hints{kHintsFunctions | kHintsDecorations, kFunctionMove | kFunctionClose,
                   kDecorBorder | kDecorTitle | kDecorMenu, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, dialog, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&hints), 5);

  if (owner == 0) return;
  XSetTransientForHint(display, dialog, owner);
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom modal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
  XChangeProperty(display, dialog, state, XA_ATOM, 32, PropModeAppend,
                  reinterpret_cast<const unsigned char*>(&modal), 1);
}

}  // namespace qoru
