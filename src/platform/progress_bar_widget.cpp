#include "platform/progress_bar_widget.h"

#include <algorithm>
#include <cstdio>

#include <FL/fl_draw.H>

#include "platform/window_style.h"

namespace qoru {

ProgressBarWidget::ProgressBarWidget(int x, int y, int w, int h, int font_px)
    : Fl_Widget(x, y, w, h), font_px_(font_px) {
  box(FL_ENGRAVED_FRAME);
}

void ProgressBarWidget::SetPercent(int percent) {
  if (percent == percent_) return;
  percent_ = percent;
  redraw();
}

int ProgressBarWidget::FillWidth(int percent, int inner_w) {
  return std::clamp(percent, 0, 100) * inner_w / 100;
}

void ProgressBarWidget::draw() {
  const int ix = x() + kBorder, iy = y() + kBorder;
  const int iw = w() - 2 * kBorder, ih = h() - 2 * kBorder;
  draw_box();
  const int filled = FillWidth(percent_, iw);
  fl_rectf(ix, iy, filled, ih, kFillColour);
  fl_rectf(ix + filled, iy, iw - filled, ih, kPanelColour);

  char text[16];
  std::snprintf(text, sizeof text, "%u%%", static_cast<unsigned>(std::clamp(percent_, 0, 100)));
  fl_font(DialogFont(), font_px_);
  // The text in two passes, each clipped to one side of the fill's edge.
  fl_push_clip(ix, iy, filled, ih);
  fl_color(kFillTextColour);
  fl_draw(text, ix, iy, iw, ih, FL_ALIGN_CENTER, nullptr, 0);
  fl_pop_clip();
  fl_push_clip(ix + filled, iy, iw - filled, ih);
  fl_color(kTextColour);
  fl_draw(text, ix, iy, iw, ih, FL_ALIGN_CENTER, nullptr, 0);
  fl_pop_clip();
}

}  // namespace qoru
