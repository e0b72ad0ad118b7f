#include "faces/window/default_face.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "faces/console.h"
#include "faces/headless_face.h"
#include "faces/terminal_face.h"
#include "faces/window/platform_window_face.h"
#include "host/owner_window.h"

namespace qoru {

std::unique_ptr<Face> MakeDefaultFace() {
  const char* env = std::getenv("QORU_FACE");
  const std::string_view choice = env ? env : "";
  if (choice == "headless") return std::make_unique<HeadlessFace>();
  if (choice == "terminal") return std::make_unique<TerminalFace>();
  // The window face when it is asked for, or when the host gave its window; nothing
  // of the display is touched otherwise.
  const bool window_asked = choice == "window";
  std::string why_not;
  if (window_asked || OwnerWindow() != 0) {
    if (auto face = MakePlatformWindowFace(OwnerWindow(), &why_not)) return face;
  }
  const bool terminal = console::StderrIsTerminal();
  std::unique_ptr<Face> face;
  if (terminal) {
    face = std::make_unique<TerminalFace>();
  } else {
    face = std::make_unique<HeadlessFace>();
  }
  // Without a display the run goes on without the window, and says so.
  if (window_asked) face->Notice(why_not + "，进度改为" + (terminal ? "在终端显示" : "不显示"));
  return face;
}

}  // namespace qoru
