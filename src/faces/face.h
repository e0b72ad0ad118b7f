// A face shows the conversion dialog to the user: its status line, its progress bar
// and its error box, and it brings the user's close request and the start timer's
// tick to the dialog's modal loop. The dialog itself is a model that knows nothing of
// how it is shown; DoIt picks the face (faces/window/default_face.h).
#pragma once

#include <memory>
#include <string>

namespace qoru {

class ProgressBar;

enum class DialogState { kCreated, kWaiting, kRunning, kStalled, kClosed };

const char* DialogStateName(DialogState state);

// What the modal loop is woken by.
enum class FaceEvent { kNone, kTimerTick, kCloseRequest };

class Face {
 public:
  virtual ~Face() = default;

  // The modal phase begins (the dialog becomes visible) and ends.
  virtual void Shown(const std::string& caption_gbk) {}
  virtual void Hidden() {}

  // Waits in the modal loop for the next event. With `timer_enabled` a tick is due
  // `interval_ms` after the timer was enabled.
  virtual FaceEvent WaitEvent(bool timer_enabled, int interval_ms) = 0;

  // A yield of the run: handles waiting input and repaints when due. Returns true when
  // the user asked to close the dialog since the last call.
  virtual bool ProcessMessages() = 0;

  // Notifications of the dialog's model. Called on every change, so they must be cheap.
  virtual void StatusChanged(const std::string& text_gbk) {}
  virtual void ProgressChanged(const ProgressBar& bar) {}
  virtual void StateChanged(DialogState state) {}

  // A note beside the dialog (UTF-8), written where the face writes its diagnostics.
  virtual void Notice(const std::string& /*message*/) {}

  // Shows a failure that left the run (UTF-8 text); returns when the user dismissed it.
  virtual void ErrorBox(const std::string& message) = 0;

  // The call is over, after Hidden: `ok` with the database's path, or not with the
  // reason (UTF-8 texts).
  virtual void Finished(bool ok, const std::string& text) {}
};

}  // namespace qoru
