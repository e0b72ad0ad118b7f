#include "faces/face.h"

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

}  // namespace qoru
