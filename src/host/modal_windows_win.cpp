// The modal phase on Windows: the thread's top-level windows disabled with
// EnableWindow, as a modal dialog of the system does.
#include <windows.h>

#include "host/modal_windows.h"

namespace qoru {
namespace {

BOOL CALLBACK DisableOne(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    reinterpret_cast<std::vector<std::uintptr_t>*>(list)->push_back(
        reinterpret_cast<std::uintptr_t>(window));
  }
  return TRUE;
}

}  // namespace

ModalWindows::ModalWindows(std::uintptr_t owner) : owner_(owner) {
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled_));
  // An owner of this thread that is hidden is disabled too: it must not take input
  // while the dialog it owns is up.
  const auto host = reinterpret_cast<HWND>(owner_);
  if (host != nullptr && IsWindow(host) &&
      GetWindowThreadProcessId(host, nullptr) == GetCurrentThreadId() && IsWindowEnabled(host)) {
    EnableWindow(host, FALSE);
    disabled_.push_back(owner_);
  }
}

ModalWindows::~ModalWindows() {
  // Enabled again before the owner takes the focus back, so that the system does not
  // hand the activation to another application.
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    const auto window = reinterpret_cast<HWND>(*it);
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  const auto host = reinterpret_cast<HWND>(owner_);
  if (host != nullptr && IsWindow(host) &&
      GetWindowThreadProcessId(host, nullptr) == GetCurrentThreadId())
    SetActiveWindow(host);
}

}  // namespace qoru
