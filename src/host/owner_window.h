// The owner window: the window handle that every top-level window of the library (the
// dialog, the error box) takes as owner. It is a library-wide setting; DoIt sets it to
// the host's window for the length of a call and restores the previous value after.
#pragma once

#include <cstdint>

namespace qoru {

std::uintptr_t OwnerWindow();
void SetOwnerWindow(std::uintptr_t window);

}  // namespace qoru
