// The error message box of the window face: a modal window with a stop sign, the
// failure's message and an OK button ("确定"), in front of its owner. Enter, Esc, the
// button and the close box all dismiss it. It is placed below the dialog, centred on
// it, so that the dialog's status and progress stay in view (above it when there is
// no room below, in the middle of the screen when neither fits).
#pragma once

#include <string>

#include "platform/dialog_layout.h"

struct _XDisplay;  // Xlib's Display

namespace qoru {

// Shows `message` (UTF-8) and returns when the user dismissed it. `font_px` is the
// dialog's text height; `owner` is the window that owns the box (0: none); `dialog`
// is where the dialog is on the screen (w 0: nowhere).
void ShowErrorBox(_XDisplay* display, const std::string& message, int font_px, unsigned long owner,
                  const Rect& dialog);

// The caption of the box.
inline constexpr const char* kErrorBoxCaption = "错误";

}  // namespace qoru
