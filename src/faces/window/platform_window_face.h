// The window face of the platform the library is built for: FLTK on X11
// (window_face.cpp) on Linux, a native Win32 dialog (window_face_win.cpp) on Windows.
// The build compiles exactly one of them; MakeDefaultFace asks through this alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "faces/face.h"

namespace qoru {

// The window face owned by `owner` (the host's window, or 0), or nullptr with the reason
// in *why_not (UTF-8) when no desktop can show it.
std::unique_ptr<Face> MakePlatformWindowFace(std::uintptr_t owner, std::string* why_not);

}  // namespace qoru
