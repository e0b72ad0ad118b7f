#include "platform/face.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/headless_face.h"
#include "platform/terminal_face.h"

namespace qoru {

const char* DialogStateName(DialogState state) {
  switch (state) {
    case DialogState::kCreated:
      return "Created";
    case DialogState::kWaiting:
      return "Waiting";
    case DialogState::kRunning:
      return "Running";
    case DialogState::kStalled:
      return "Stalled";
    case DialogState::kClosed:
      return "Closed";
  }
  return "?";
}

std::unique_ptr<Face> MakeDefaultFace() {
  // There is no desktop window face in this build; "window" falls back like no choice.
  const char* env = std::getenv("QORU_FACE");
  const std::string_view choice = env ? env : "";
  if (choice == "headless") return std::make_unique<HeadlessFace>();
  if (choice == "terminal") return std::make_unique<TerminalFace>();
  if (::isatty(STDERR_FILENO)) return std::make_unique<TerminalFace>();
  return std::make_unique<HeadlessFace>();
}

}  // namespace qoru
