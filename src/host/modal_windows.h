// The modal phase of a DoIt call as the host's windows see it. While a ModalWindows
// lives, every visible and enabled top-level window of the calling thread (the host's
// windows among them) is disabled, so that the user cannot act in the host while the
// conversion runs; exactly those windows are enabled again when it ends, and focus
// goes back to the owner window. Windows that the library opens later (the dialog and
// its error box) are not touched.
//
// On Windows (modal_windows_win.cpp) DoIt holds one around the dialog's modal phase,
// whatever face shows it. On Linux (modal_windows_posix.cpp) it does nothing: the
// window face tells the window manager that the dialog is modal for its owner.
#pragma once

#include <cstdint>
#include <vector>

namespace qoru {

class ModalWindows {
 public:
  // `owner` is the host's window (0 for none), which gets the focus back at the end.
  explicit ModalWindows(std::uintptr_t owner);
  ~ModalWindows();
  ModalWindows(const ModalWindows&) = delete;
  ModalWindows& operator=(const ModalWindows&) = delete;

 private:
  std::uintptr_t owner_;
  std::vector<std::uintptr_t> disabled_;  // the windows this object disabled
};

}  // namespace qoru
