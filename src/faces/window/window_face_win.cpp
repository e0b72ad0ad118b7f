#include "faces/window/window_face_win.h"

#include <cstdio>
#include <stdexcept>

#include <fmt/format.h>

#include "faces/progress_bar.h"
#include "faces/window/dialog_window_win.h"
#include "faces/window/platform_window_face.h"
#include "text/control_escape.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace

WindowFaceWin32::WindowFaceWin32(std::uintptr_t owner, Options options)
    : owner_(reinterpret_cast<HWND>(owner)), options_(options), state_(options.check_every) {
  if (owner_ != nullptr && !::IsWindow(owner_)) {
    Notice(fmt::format("宿主窗口 0x{:x} 不存在：对话框不设所有者窗口", owner));
    owner_ = nullptr;
  }
}

WindowFaceWin32::~WindowFaceWin32() {
  Hidden();
}

void WindowFaceWin32::Shown(const std::string& caption_gbk) {
  window_ = std::make_unique<DialogWindowWin32>(owner_, Wide(GbkToUtf16(caption_gbk)));
  if (!state_.status_gbk().empty()) window_->SetStatus(Wide(GbkToUtf16(state_.status_gbk())));
  window_->SetPercent(state_.percent());
  state_.TakeStatusChange();
  ::ShowWindow(window_->hwnd(), SW_SHOWNORMAL);
  ::SetForegroundWindow(window_->hwnd());
  Repaint();
  state_.Updated();
}

void WindowFaceWin32::Hidden() {
  if (!window_) return;
  window_.reset();
  if (quit_seen_) {
    quit_seen_ = false;
    ::PostQuitMessage(quit_code_);
  }
}

HWND WindowFaceWin32::Window() const {
  return window_ ? window_->hwnd() : nullptr;
}

void WindowFaceWin32::DispatchWaiting() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_seen_ = true;
      quit_code_ = static_cast<int>(msg.wParam);
      state_.RequestClose();
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (window_ && window_->TakeCloseRequest()) state_.RequestClose();
}

FaceEvent WindowFaceWin32::WaitEvent(bool timer_enabled, int interval_ms) {
  state_.ArmTimer(timer_enabled, interval_ms);
  while (true) {
    ApplyPending();
    DispatchWaiting();
    if (state_.TakeCloseRequest() || !window_ || window_->hwnd() == nullptr)
      return FaceEvent::kCloseRequest;
    const auto now = PendingUpdates::Clock::now();
    if (state_.TakeTimerTick(now)) return FaceEvent::kTimerTick;
    DWORD wait = INFINITE;
    if (state_.timer_armed()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(state_.timer_due() - now);
      wait = static_cast<DWORD>(left.count());
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool WindowFaceWin32::ProcessMessages() {
  if (state_.UpdateDue()) {
    ApplyPending();
    DispatchWaiting();
  }
  return state_.TakeCloseRequest();
}

void WindowFaceWin32::StatusChanged(const std::string& text_gbk) {
  state_.SetStatus(text_gbk);
}

void WindowFaceWin32::ProgressChanged(const ProgressBar& bar) {
  state_.SetPercent(bar.Percent());
}

void WindowFaceWin32::ApplyPending() {
  if (!window_) return;
  if (state_.TakeStatusChange()) window_->SetStatus(Wide(GbkToUtf16(state_.status_gbk())));
  window_->SetPercent(state_.percent());
}

void WindowFaceWin32::Repaint() {
  ApplyPending();
  if (window_ && window_->hwnd())
    ::RedrawWindow(window_->hwnd(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void WindowFaceWin32::Notice(const std::string& message) {
  ShowText(stderr, message + "\n");
}

void WindowFaceWin32::ErrorBox(const std::string& message) {
  Repaint();  // the dialog keeps the status and progress of the moment of the failure
  const std::wstring text = Wide(Utf8ToUtf16(message));
  HWND owner = window_ && window_->hwnd() ? window_->hwnd() : owner_;
  ::MessageBoxW(owner, text.c_str(), kErrorBoxCaptionWin, MB_OK | MB_ICONERROR);
  // The box's own loop may have taken the user's close request for the dialog.
  if (window_ && window_->TakeCloseRequest()) state_.RequestClose();
}

std::unique_ptr<Face> MakePlatformWindowFace(std::uintptr_t owner, std::string* why_not) {
  // A process without a desktop to draw on (a service) has no window face.
  if (::GetSystemMetrics(SM_CXSCREEN) <= 0) {
    if (why_not) *why_not = "没有可用的桌面，无法显示对话框";
    return nullptr;
  }
  return std::make_unique<WindowFaceWin32>(owner, WindowFaceWin32::Options{});
}

}  // namespace qoru
