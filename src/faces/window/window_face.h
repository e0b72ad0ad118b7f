// The window face: the conversion dialog as a real desktop window (see DialogWindow),
// modal, owned by the host's window when the host gave one.
//   - The start timer: WaitEvent sleeps in the toolkit's event wait until the tick is
//     due or the user closes the window.
//   - A yield looks at the window only on a clock (every `check_every`): then it shows
//     the latest status and percentage and handles waiting window events. Between two
//     looks a yield costs one clock read, so a million rows cost next to nothing.
//   - The close box is the close request; the keyboard offers no other (Esc does
//     nothing), and Alt+F4 reaches the dialog as the window manager's close.
//   - The error box is the toolkit's alert box, captioned "错误", with its icon made a
//     red disc holding a white "!", the failure's message in the dialog's font, wrapped
//     to keep the box well inside the screen, and one button, "确定". Enter, Esc, the
//     button and the close box dismiss it. The toolkit makes it modal and transient for
//     the dialog. It is placed below the dialog, centred on it, so that the dialog's
//     status and progress stay in view (above it when there is no room below, in the
//     middle of the screen when neither fits).
// Notices go to stderr. The face must be used on the thread that created it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "faces/face.h"
#include "faces/window/pending_updates.h"

struct _XDisplay;  // Xlib's Display

namespace qoru {

class DialogWindow;

class WindowFace : public Face {
 public:
  struct Options {
    std::chrono::milliseconds check_every{40};
  };

  // `display` comes from WindowDisplay(); `owner` is the host's window id or 0. An
  // owner that does not exist on the display is dropped with a notice.
  WindowFace(_XDisplay* display, std::uintptr_t owner, Options options);
  ~WindowFace() override;

  void Shown(const std::string& caption_gbk) override;
  void Hidden() override;
  FaceEvent WaitEvent(bool timer_enabled, int interval_ms) override;
  bool ProcessMessages() override;
  void StatusChanged(const std::string& text_gbk) override;
  void ProgressChanged(const ProgressBar& bar) override;
  void Notice(const std::string& message) override;
  void ErrorBox(const std::string& message) override;

  // Shows every pending change now and returns once the display has drawn it.
  void Repaint();
  // The dialog's X window id while it is shown, else 0.
  unsigned long WindowId() const;

 private:
  void ApplyPending();
  static void OnClose(void* self);

  _XDisplay* display_;
  std::uintptr_t owner_;
  Options options_;
  std::unique_ptr<DialogWindow> window_;
  PendingUpdates state_;
};

// The caption of the error box.
inline constexpr const char* kErrorBoxCaption = "错误";

// The window face on the display named by DISPLAY, or nullptr with the reason in
// *why_not (UTF-8) when no display can be opened.
std::unique_ptr<WindowFace> MakeWindowFace(std::uintptr_t owner, std::string* why_not,
                                           WindowFace::Options options = {});

}  // namespace qoru
