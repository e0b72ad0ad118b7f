// The window face on Windows: until the dialog has its Win32 face, a host's window
// leads to the terminal or headless face (face.cpp), which says why when the window
// was asked for.
#include "faces/window_face.h"

namespace qoru {

std::unique_ptr<WindowFace> MakeWindowFace(std::uintptr_t /*owner*/, std::string* why_not,
                                           WindowFace::Options /*options*/) {
  if (why_not != nullptr) *why_not = "此版本在 Windows 上尚无对话框窗口";
  return nullptr;
}

}  // namespace qoru
