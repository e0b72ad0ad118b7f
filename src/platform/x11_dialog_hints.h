// What the dialog's windows tell the window manager: who owns them, that they are
// modal, and that they can be moved and closed but not resized, minimised or
// maximised. The owner is the host's window id, which may be stale: WindowExists
// checks it without letting an X error reach the toolkit's handler.
#pragma once

struct _XDisplay;  // Xlib's Display

namespace qoru {

bool WindowExists(_XDisplay* display, unsigned long window);

// Marks the top-level `dialog` as a dialog that can be moved and closed only; with an
// `owner` (not 0), as transient for that window and modal for it. Called right after
// the toolkit created the window, before its requests reach the server, so that the
// window manager sees the hints when it first manages the window.
void MarkDialogWindow(_XDisplay* display, unsigned long dialog, unsigned long owner);

}  // namespace qoru
