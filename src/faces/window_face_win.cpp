#include "faces/window_face_win.h"

#include <cstdio>
#include <stdexcept>

#include <fmt/format.h>

#include "faces/dialog_window_win.h"
#include "faces/platform_window_face.h"
#include "faces/progress_bar.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace

WindowFaceWin32::WindowFaceWin32(std::uintptr_t owner, Options options)
    : owner_(reinterpret_cast<HWND>(owner)), options_(options) {
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
  if (!status_gbk_.empty()) window_->SetStatus(Wide(GbkToUtf16(status_gbk_)));
  window_->SetPercent(percent_);
  status_dirty_ = false;
  ::ShowWindow(window_->hwnd(), SW_SHOWNORMAL);
  ::SetForegroundWindow(window_->hwnd());
  Repaint();
  next_check_ = Clock::now() + options_.check_every;
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
      close_requested_ = true;
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (window_ && window_->TakeCloseRequest()) close_requested_ = true;
}

bool WindowFaceWin32::TakeCloseRequest() {
  const bool requested = close_requested_;
  close_requested_ = false;
  return requested;
}

FaceEvent WindowFaceWin32::WaitEvent(bool timer_enabled, int interval_ms) {
  if (!timer_enabled) {
    timer_armed_ = false;
  } else if (!timer_armed_) {
    timer_armed_ = true;
    timer_due_ = Clock::now() + std::chrono::milliseconds(interval_ms);
  }
  while (true) {
    ApplyPending();
    DispatchWaiting();
    if (TakeCloseRequest() || !window_ || window_->hwnd() == nullptr)
      return FaceEvent::kCloseRequest;
    const auto now = Clock::now();
    if (timer_armed_ && now >= timer_due_) {
      timer_armed_ = false;
      return FaceEvent::kTimerTick;
    }
    DWORD wait = INFINITE;
    if (timer_armed_) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer_due_ - now);
      wait = static_cast<DWORD>(left.count());
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool WindowFaceWin32::ProcessMessages() {
  const auto now = Clock::now();
  if (now >= next_check_) {
    next_check_ = now + options_.check_every;
    ApplyPending();
    DispatchWaiting();
  }
  return TakeCloseRequest();
}

void WindowFaceWin32::StatusChanged(const std::string& text_gbk) {
  status_gbk_ = text_gbk;
  status_dirty_ = true;
}

void WindowFaceWin32::ProgressChanged(const ProgressBar& bar) {
  percent_ = bar.Percent();
}

void WindowFaceWin32::ApplyPending() {
  if (!window_) return;
  if (status_dirty_) {
    status_dirty_ = false;
    window_->SetStatus(Wide(GbkToUtf16(status_gbk_)));
  }
  window_->SetPercent(percent_);
}

void WindowFaceWin32::Repaint() {
  ApplyPending();
  if (window_ && window_->hwnd())
    ::RedrawWindow(window_->hwnd(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void WindowFaceWin32::Notice(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
}

void WindowFaceWin32::ErrorBox(const std::string& message) {
  Repaint();  // the dialog keeps the status and progress of the moment of the failure
  const std::wstring text = Wide(Utf8ToUtf16(message));
  HWND owner = window_ && window_->hwnd() ? window_->hwnd() : owner_;
  ::MessageBoxW(owner, text.c_str(), kErrorBoxCaptionWin, MB_OK | MB_ICONERROR);
  // The box's own loop may have taken the user's close request for the dialog.
  if (window_ && window_->TakeCloseRequest()) close_requested_ = true;
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
