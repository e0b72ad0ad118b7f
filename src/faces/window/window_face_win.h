// The window face on Windows: the conversion dialog as a native Win32 window
// (DialogWindowWin32), modal and owned by the host's window when the host gave one.
//   - The host's other windows are disabled for the modal phase by DoIt
//     (host/modal_windows.h), whatever the face; the dialog is created after that, so it
//     stays enabled.
//   - The start timer: WaitEvent waits for the thread's messages until the tick is due
//     or the user closes the dialog.
//   - A yield looks at the window only on a clock (every `check_every`): then it shows
//     the latest status and percentage and dispatches the thread's waiting messages.
//     Between two looks a yield costs one clock read.
//   - The close box and Alt+F4 are the close request; Esc does nothing.
//   - A quit message (WM_QUIT) taken out of the queue while the dialog is up is a close
//     request too; it is posted again once the dialog is gone, for the host's own loop.
//   - The error box is the system's message box (stop icon, "确定"), captioned "错误",
//     owned by the dialog, which keeps the status and progress of the moment.
// Notices go to stderr. The face must be used on the thread that created it.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "faces/face.h"
#include "faces/window/pending_updates.h"

namespace qoru {

class DialogWindowWin32;

class WindowFaceWin32 : public Face {
 public:
  struct Options {
    std::chrono::milliseconds check_every{40};
  };

  // `owner` is the host's window handle or 0; one that is not a window is dropped with a
  // notice.
  WindowFaceWin32(std::uintptr_t owner, Options options);
  ~WindowFaceWin32() override;

  void Shown(const std::string& caption_gbk) override;
  void Hidden() override;
  FaceEvent WaitEvent(bool timer_enabled, int interval_ms) override;
  bool ProcessMessages() override;
  void StatusChanged(const std::string& text_gbk) override;
  void ProgressChanged(const ProgressBar& bar) override;
  void Notice(const std::string& message) override;
  void ErrorBox(const std::string& message) override;

  // Shows every pending change now and paints it before returning.
  void Repaint();
  // The dialog's window while it is shown, else null.
  HWND Window() const;

 private:
  void ApplyPending();
  void DispatchWaiting();  // every waiting message of the thread

  HWND owner_;
  Options options_;
  std::unique_ptr<DialogWindowWin32> window_;
  PendingUpdates state_;
  bool quit_seen_ = false;  // a WM_QUIT was taken out of the queue
  int quit_code_ = 0;       // its exit code
};

// The caption of the error box.
inline constexpr wchar_t kErrorBoxCaptionWin[] = L"错误";

}  // namespace qoru
