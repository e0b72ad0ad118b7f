// The connection to the X display that the window face draws on. It is opened on
// first use from the DISPLAY variable, handed to the toolkit, and kept for the life of
// the process, as a toolkit keeps its display; nothing of it is opened before the
// window face is asked for, so that a headless run never touches it.
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

}  // namespace qoru
