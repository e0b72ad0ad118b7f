#include "platform/dialog_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include "platform/progress_bar_widget.h"
#include "platform/window_style.h"

namespace qoru {
namespace {

// The banner band: the picture, stretched once to the band's size.
class BannerWidget : public Fl_Widget {
 public:
  BannerWidget(const Rect& r, const RgbImage& picture)
      : Fl_Widget(r.x, r.y, r.w, r.h), image_(Stretch(picture, r.w, r.h)) {}

 protected:
  void draw() override {
    if (image_.width == w() && image_.height == h()) {
      fl_draw_image(image_.pixels.data(), x(), y(), w(), h(), 3);
    } else {
      fl_rectf(x(), y(), w(), h(), kPanelColour);
    }
  }

 private:
  RgbImage image_;
};

// The lower panel: its colour and its flat one-pixel border.
class PanelWidget : public Fl_Widget {
 public:
  explicit PanelWidget(const Rect& r) : Fl_Widget(r.x, r.y, r.w, r.h) {}

 protected:
  void draw() override {
    fl_rectf(x(), y(), w(), h(), kPanelColour);
    fl_rect(x(), y(), w(), h(), kBorderColour);
  }
};

}  // namespace

DialogWindow::DialogWindow(const DialogLayout& layout, const RgbImage& banner,
                           const std::string& caption)
    : Fl_Double_Window(layout.client_w, layout.client_h), layout_(layout) {
  copy_label(caption.c_str());
  color(kPanelColour);
  size_range(layout.client_w, layout.client_h, layout.client_w, layout.client_h);
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, 0);
  position(sx + (sw - layout.client_w) / 2, sy + (sh - layout.client_h) / 2);

  begin();
  new BannerWidget(layout.banner, banner);
  const Rect& p = layout.panel;
  new PanelWidget(p);
  // The status line paints its own background, so that a new text needs no repaint of
  // the panel; it reaches to the panel's border, where a longer text is cut.
  const int label_x = p.x + layout.label.x, label_y = p.y + layout.label.y;
  label_ = new Fl_Box(FL_FLAT_BOX, label_x, label_y, p.x + p.w - 1 - label_x,
                      layout.font_px + layout.font_px / 3, nullptr);
  label_->color(kPanelColour);
  label_->labelfont(DialogFont());
  label_->labelsize(layout.font_px);
  label_->labelcolor(kTextColour);
  label_->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  bar_ = new ProgressBarWidget(p.x + layout.bar.x, p.y + layout.bar.y, layout.bar.w, layout.bar.h,
                               layout.font_px);
  end();
}

void DialogWindow::SetStatus(const std::string& text) {
  if (label_->label() != nullptr && text == label_->label()) return;
  label_->copy_label(text.c_str());
  label_->redraw();
}

void DialogWindow::SetPercent(int percent) {
  bar_->SetPercent(percent);
}

}  // namespace qoru
