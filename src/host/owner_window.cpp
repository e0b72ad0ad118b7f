#include "host/owner_window.h"

namespace qoru {
namespace {
std::uintptr_t g_owner = 0;
}

std::uintptr_t OwnerWindow() {
  return g_owner;
}
void SetOwnerWindow(std::uintptr_t window) {
  g_owner = window;
}

}  // namespace qoru
