#include "faces/window/dialog_window.h"

#include <algorithm>

#include <fmt/format.h>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Progress.H>

#include "faces/window/banner.h"

namespace qoru {

DialogWindow::DialogWindow(const DialogLayout& layout, const std::string& caption)
    : Fl_Double_Window(layout.client_w, layout.client_h),
      layout_(layout),
      banner_(StretchedBanner(layout.banner.w, layout.banner.h)) {
  copy_label(caption.c_str());
  color(kPanelColour);
  size_range(layout.client_w, layout.client_h, layout.client_w, layout.client_h);
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, 0);
  position(sx + (sw - layout.client_w) / 2, sy + (sh - layout.client_h) / 2);

  begin();
  const Rect& b = layout.banner;
  (new Fl_Box(FL_NO_BOX, b.x, b.y, b.w, b.h, nullptr))->image(banner_.get());
  const Rect& p = layout.panel;
  // The window's background is the panel's colour; the panel adds its flat border.
  (new Fl_Box(FL_BORDER_FRAME, p.x, p.y, p.w, p.h, nullptr))->color(kBorderColour);
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
  // The bar fills its part done from the left and writes the percentage in the middle,
  // in the text colour and, over the fill, in white (the toolkit's contrast to it).
  bar_ = new Fl_Progress(p.x + layout.bar.x, p.y + layout.bar.y, layout.bar.w, layout.bar.h);
  bar_->box(FL_ENGRAVED_BOX);  // a groove two pixels wide
  // FLTK 1.3 measures the part done over the bar's whole width, groove included: the
  // groove's share raises the maximum, so that the fill covers the percentage of the
  // inside.
  const int inside_w = layout.bar.w - Fl::box_dw(bar_->box());
  bar_->maximum(100.0f * static_cast<float>(layout.bar.w) / static_cast<float>(inside_w));
  bar_->color(kPanelColour, kFillColour);
  bar_->labelfont(DialogFont());
  bar_->labelsize(layout.font_px);
  bar_->labelcolor(kTextColour);
  SetPercent(0);
  end();
}

void DialogWindow::SetStatus(const std::string& text) {
  const std::string label = LabelText(text);
  if (label_->label() != nullptr && label == label_->label()) return;
  label_->copy_label(label.c_str());
  label_->redraw();
}

void DialogWindow::SetPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  bar_->value(static_cast<float>(percent));  // repaints
  bar_->copy_label(fmt::format("{}%", percent).c_str());
}

Fl_Font DialogFont() {
  // A leading blank asks the toolkit for the regular style of the family.
  static const Fl_Font font = [] {
    Fl::set_font(FL_FREE_FONT, " WenQuanYi Zen Hei");
    return static_cast<Fl_Font>(FL_FREE_FONT);
  }();
  return font;
}

std::string LabelText(const std::string& text) {
  std::string label;
  for (char c : text) label += c == '@' ? "@@" : std::string(1, c);
  return label;
}

}  // namespace qoru
