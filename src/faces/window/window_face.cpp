#include "faces/window/window_face.h"

#include <algorithm>
#include <cstdio>

#include <fmt/format.h>

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>

#include "faces/progress_bar.h"
#include "faces/window/dialog_window.h"
#include "faces/window/platform_window_face.h"
#include "faces/window/x_display.h"
#include "text/control_escape.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

// `text` broken into lines no wider than `width` pixels in the current font: after the
// line's last blank when it has one, else before the character that does not fit.
std::string Wrapped(const std::string& text, int width) {
  std::string out, line;
  for (std::size_t i = 0, n; i < text.size(); i += n) {
    n = static_cast<std::size_t>(fl_utf8len1(text[i]));
    const std::string c = text.substr(i, n);
    if (c == "\n" || (!line.empty() && fl_width((line + c).c_str()) > width)) {
      const std::size_t blank = c == "\n" ? 0 : line.rfind(' ');
      const std::size_t cut = blank == std::string::npos || blank == 0 ? line.size() : blank;
      out += line.substr(0, cut) + "\n";
      line.erase(0, cut + 1);
      if (c == "\n") continue;
    }
    line += c;
  }
  return out + line;
}

}  // namespace

WindowFace::WindowFace(_XDisplay* display, std::uintptr_t owner, Options options)
    : display_(display), owner_(owner), options_(options), state_(options.check_every) {
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
  window_ = std::make_unique<DialogWindow>(layout, GbkToUtf8(caption_gbk));
  window_->callback([](Fl_Widget*, void* self) { OnClose(self); }, this);
  window_->set_modal();
  window_->xclass("qoru_ERP_GBtxt");
  if (!state_.status_gbk().empty()) window_->SetStatus(GbkToUtf8(state_.status_gbk()));
  window_->SetPercent(state_.percent());
  state_.TakeStatusChange();
  const DialogAtoms atoms = InternDialogAtoms(display_);
  window_->show();
  MarkDialogWindow(display_, atoms, fl_xid(window_.get()), owner_);
  window_->wait_for_expose();
  Repaint();
  state_.Updated();
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
  static_cast<WindowFace*>(self)->state_.RequestClose();
}

FaceEvent WindowFace::WaitEvent(bool timer_enabled, int interval_ms) {
  state_.ArmTimer(timer_enabled, interval_ms);
  while (true) {
    if (state_.TakeCloseRequest()) return FaceEvent::kCloseRequest;
    if (!window_ || !window_->shown()) return FaceEvent::kCloseRequest;
    const auto now = PendingUpdates::Clock::now();
    if (state_.TakeTimerTick(now)) return FaceEvent::kTimerTick;
    ApplyPending();
    if (state_.timer_armed()) {
      Fl::wait(std::chrono::duration<double>(state_.timer_due() - now).count());
    } else {
      Fl::wait(1e20);
    }
  }
}

bool WindowFace::ProcessMessages() {
  if (state_.UpdateDue()) {
    ApplyPending();
    Fl::check();
  }
  return state_.TakeCloseRequest();
}

void WindowFace::StatusChanged(const std::string& text_gbk) {
  state_.SetStatus(text_gbk);
}

void WindowFace::ProgressChanged(const ProgressBar& bar) {
  state_.SetPercent(bar.Percent());
}

void WindowFace::ApplyPending() {
  if (!window_) return;
  if (state_.TakeStatusChange()) window_->SetStatus(GbkToUtf8(state_.status_gbk()));
  window_->SetPercent(state_.percent());
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
  ShowText(stderr, message + "\n");
}

void WindowFace::ErrorBox(const std::string& message) {
  Repaint();  // the dialog keeps the status and progress of the moment of the failure
  const int font_px = window_ ? window_->layout().font_px : 12;
  fl_message_font(DialogFont(), font_px);
  fl_font(DialogFont(), font_px);
  const std::string text = LabelText(Wrapped(message, MulDiv(360, font_px, 12)));

  // The toolkit's box is built once and sized to each message: the text with a margin
  // of 10 (at least 340 x 30), beside it the 50-pixel icon with its margins, below it
  // the button row. Knowing that size, the box is placed before it is shown, within the
  // screen's work area. The gap leaves room for the window manager's title bar.
  int text_w = 0, text_h = 0;
  fl_measure(text.c_str(), text_w, text_h);
  const int w = std::max(text_w + 10, 340) + 80, h = std::max(text_h + 10, 30) + 55;
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, 0);
  int x = sx + (sw - w) / 2, y = sy + (sh - h) / 2;
  if (window_) {
    const int top = window_->y(), bottom = top + window_->h(), gap = MulDiv(32, font_px, 12);
    x = std::clamp(window_->x() + (window_->w() - w) / 2, sx, std::max(sx, sx + sw - w));
    y = bottom + gap + h <= sy + sh ? bottom + gap : top - gap - h >= sy ? top - gap - h : y;
  }
  Fl_Widget* icon = fl_message_icon();
  Fl_Window* box = icon->window();
  box->position(x, y);
  icon->box(FL_OVAL_BOX);
  icon->color(kStopColour);
  icon->labelcolor(FL_WHITE);
  for (int i = 0; i < box->children(); ++i)
    if (box->child(i) != icon) box->child(i)->labelfont(DialogFont());

  const int hotspot = fl_message_hotspot();
  const char* const close = fl_close;
  fl_message_hotspot(0);
  fl_close = "确定";
  fl_message_title(kErrorBoxCaption);
  fl_alert("%s", text.c_str());
  fl_close = close;
  fl_message_hotspot(hotspot);
}

std::unique_ptr<WindowFace> MakeWindowFace(std::uintptr_t owner, std::string* why_not,
                                           WindowFace::Options options) {
  _XDisplay* display = WindowDisplay(why_not);
  if (display == nullptr) return nullptr;
  return std::make_unique<WindowFace>(display, owner, options);
}

std::unique_ptr<Face> MakePlatformWindowFace(std::uintptr_t owner, std::string* why_not) {
  return MakeWindowFace(owner, why_not);
}

}  // namespace qoru
