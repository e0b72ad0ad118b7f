// On Linux the window manager keeps the dialog modal (faces/window/x_display.h).
#include "host/modal_windows.h"

namespace qoru {

ModalWindows::ModalWindows(std::uintptr_t owner) : owner_(owner) {}

ModalWindows::~ModalWindows() = default;

}  // namespace qoru
