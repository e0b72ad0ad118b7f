#include "platform/window_face.h"

#include <cstdio>

#include <fmt/format.h>

#include <FL/Fl.H>
#include <FL/x.H>

#include "platform/banner_jpeg.h"
#include "platform/dialog_window.h"
#include "platform/error_box.h"
#include "platform/gbk_codec.h"
#include "platform/jpeg_decoder.h"
#include "platform/progress_bar.h"
#include "platform/x11_dialog_hints.h"
#include "platform/x_display.h"

namespace qoru {
namespace {

// The banner, decoded once per process.
const RgbImage& Banner() {
  static const RgbImage banner = DecodeJpeg(BannerJpeg(), "对话框横幅");
  return banner;
}

}  // namespace

WindowFace::WindowFace(_XDisplay* display, std::uintptr_t owner, Options options)
    : display_(display), owner_(owner), options_(options) {
  if (owner_ != 0 && !WindowExists(display_, owner_)) {
    Notice(fmt::format("宿主窗口 0x{:x} 在显示上不存在：对话框不设所有者窗口", owner_));
    owner_ = 0;
  }
}

WindowFace::~WindowFace() {
  Hidden();
}

void WindowFace::Shown(const std::string& caption_gbk) {
  const DialogLayout layout = ScaledDialogLayout(ScreenDpi(display_));
  window_ = std::make_unique<DialogWindow>(layout, Banner(), GbkToUtf8(caption_gbk));
  window_->callback([](Fl_Widget*, void* self) { OnClose(self); }, this);
  window_->set_modal();
  window_->xclass("qoru_ERP_GBtxt");
  if (!status_gbk_.empty()) window_->SetStatus(GbkToUtf8(status_gbk_));
  window_->SetPercent(percent_);
  status_dirty_ = false;
  window_->show();
  MarkDialogWindow(display_, fl_xid(window_.get()), owner_);
  window_->wait_for_expose();
  Repaint();
  next_check_ = Clock::now() + options_.check_every;
}

void WindowFace::Hidden() {
  if (!window_) return;
  window_->hide();
  window_.reset();
  Fl::flush();
  XSync(display_, False);
}

void WindowFace::OnClose(void* self) {
  // The window's callback also fires for Esc; the dialog has no keyboard way out.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  static_cast<WindowFace*>(self)->close_requested_ = true;
}

FaceEvent WindowFace::WaitEvent(bool timer_enabled, int interval_ms) {
  if (!timer_enabled) {
    timer_armed_ = false;
  } else if (!timer_armed_) {
    timer_armed_ = true;
    timer_due_ = Clock::now() + std::chrono::milliseconds(interval_ms);
  }
  while (true) {
    if (close_requested_) {
      close_requested_ = false;
      return FaceEvent::kCloseRequest;
    }
    if (!window_ || !window_->shown()) return FaceEvent::kCloseRequest;
    const auto now = Clock::now();
    if (timer_armed_ && now >= timer_due_) {
      timer_armed_ = false;
      return FaceEvent::kTimerTick;
    }
    ApplyPending();
    if (timer_armed_) {
      Fl::wait(std::chrono::duration<double>(timer_due_ - now).count());
    } else {
      Fl::wait(1e20);
    }
  }
}

bool WindowFace::ProcessMessages() {
  const auto now = Clock::now();
  if (now >= next_check_) {
    next_check_ = now + options_.check_every;
    ApplyPending();
    Fl::check();
  }
  if (!close_requested_) return false;
  close_requested_ = false;
  return true;
}

void WindowFace::StatusChanged(const std::string& text_gbk) {
  status_gbk_ = text_gbk;
  status_dirty_ = true;
}

void WindowFace::ProgressChanged(const ProgressBar& bar) {
  percent_ = bar.Percent();
}

void WindowFace::ApplyPending() {
  if (!window_) return;
  if (status_dirty_) {
    status_dirty_ = false;
    window_->SetStatus(GbkToUtf8(status_gbk_));
  }
  window_->SetPercent(percent_);
}

void WindowFace::Repaint() {
  ApplyPending();
  Fl::flush();
  XSync(display_, False);
}

unsigned long WindowFace::WindowId() const {
  return window_ && window_->shown() ? fl_xid(window_.get()) : 0;
}

void WindowFace::Notice(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
}

void WindowFace::ErrorBox(const std::string& message) {
  Repaint();  // the dialog keeps the status and progress of the moment of the failure
  const unsigned long owner = owner_ != 0 ? owner_ : WindowId();
  Rect where;
  if (window_) where = {window_->x(), window_->y(), window_->w(), window_->h()};
  ShowErrorBox(display_, message, window_ ? window_->layout().font_px : 12, owner, where);
}

std::unique_ptr<WindowFace> MakeWindowFace(std::uintptr_t owner, std::string* why_not,
                                           WindowFace::Options options) {
  _XDisplay* display = WindowDisplay(why_not);
  if (display == nullptr) return nullptr;
  return std::make_unique<WindowFace>(display, owner, options);
}

}  // namespace qoru
