// The X display that the window face draws on, and what the face asks of X directly.
// The display is opened on first use from DISPLAY, handed to the toolkit and kept for
// the life of the process, as a toolkit keeps its display; a headless run never opens
// it. The dialog tells the window manager who owns it, that it is modal, and that it
// can be moved and closed only. The owner is the host's window id, which may be stale.
#pragma once

#include <string>

struct _XDisplay;  // Xlib's Display

namespace qoru {

// The display, opened if need be. nullptr when there is none; *why_not then says why,
// in the users' language.
_XDisplay* WindowDisplay(std::string* why_not);

// Whether the display has been opened in this process.
bool WindowDisplayIsOpen();

// The screen's logical resolution in pixels per inch: the Xft.dpi resource, which
// desktops set to scale their text, when it is set and sensible; else 96.
int ScreenDpi(_XDisplay* display);

// Checked without letting an X error reach the toolkit's handler.
bool WindowExists(_XDisplay* display, unsigned long window);

// The atoms that marking a dialog uses, interned in one round trip.
struct DialogAtoms {
  unsigned long window_type = 0, type_dialog = 0, motif_hints = 0, state = 0, state_modal = 0;
};
DialogAtoms InternDialogAtoms(_XDisplay* display);

// Marks the top-level `dialog` as a dialog that can be moved and closed only; with an
// `owner` (not 0), as transient for that window and modal for it. Called right after
// the toolkit mapped the window, with atoms interned before, so that the marks are
// requests only and reach the server in one flush right behind the map: nobody sees the
// dialog shown without them. A window manager that already manages the window is also
// asked to add the modal state, as it must be once a window is mapped.
void MarkDialogWindow(_XDisplay* display, const DialogAtoms& atoms, unsigned long dialog,
                      unsigned long owner);

}  // namespace qoru
