#include "platform/error_box.h"

#include <algorithm>
#include <cmath>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "platform/dialog_layout.h"
#include "platform/rgb_image.h"
#include "platform/window_style.h"
#include "platform/x11_dialog_hints.h"

namespace qoru {
namespace {

// A stop sign: a red octagon with a white rim and a white cross, `size` pixels square
// over the panel colour, drawn at four times the size and averaged down for smooth
// edges.
RgbImage StopSign(int size) {
  constexpr int kOver = 4;
  RgbImage image(size, size);
  const double c = size / 2.0;
  const double outer = size / 2.0 - 0.5;
  const double rim = outer * 0.86;
  const double arm = outer * 0.42, stroke = outer * 0.13;
  // Distance-like measure of an octagon: the largest of |x|, |y| and (|x|+|y|)/sqrt 2.
  auto octagon = [](double x, double y) {
    return std::max({std::abs(x), std::abs(y), (std::abs(x) + std::abs(y)) / std::sqrt(2.0)});
  };
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px) {
      double r = 0, g = 0, b = 0;
      for (int j = 0; j < kOver; ++j)
        for (int i = 0; i < kOver; ++i) {
          const double x = px + (i + 0.5) / kOver - c, y = py + (j + 0.5) / kOver - c;
          const double d = octagon(x, y) / std::cos(M_PI / 8);
          const bool cross = std::abs(x) <= arm && std::abs(y) <= arm &&
                             (std::abs(x - y) <= stroke * std::sqrt(2.0) ||
                              std::abs(x + y) <= stroke * std::sqrt(2.0));
          if (d > outer) {
            r += 240, g += 240, b += 240;  // the panel colour around it
          } else if (d > rim || cross) {
            r += 255, g += 255, b += 255;
          } else {
            r += 200, g += 24, b += 24;
          }
        }
      std::uint8_t* o = image.At(px, py);
      const double n = kOver * kOver;
      o[0] = static_cast<std::uint8_t>(std::lround(r / n));
      o[1] = static_cast<std::uint8_t>(std::lround(g / n));
      o[2] = static_cast<std::uint8_t>(std::lround(b / n));
    }
  return image;
}

class IconWidget : public Fl_Widget {
 public:
  IconWidget(int x, int y, int size) : Fl_Widget(x, y, size, size), image_(StopSign(size)) {}

 protected:
  void draw() override { fl_draw_image(image_.pixels.data(), x(), y(), w(), h(), 3); }

 private:
  RgbImage image_;
};

// Top-left corner of a w x h box next to `dialog` within the screen's work area.
void PlaceBox(int w, int h, const Rect& dialog, int gap, int* x, int* y) {
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, 0);
  *x = sx + (sw - w) / 2;
  *y = sy + (sh - h) / 2;
  if (dialog.w <= 0) return;
  *x = std::clamp(dialog.x + (dialog.w - w) / 2, sx, std::max(sx, sx + sw - w));
  if (dialog.y + dialog.h + gap + h <= sy + sh) {
    *y = dialog.y + dialog.h + gap;
  } else if (dialog.y - gap - h >= sy) {
    *y = dialog.y - gap - h;
  }
}

}  // namespace

void ShowErrorBox(_XDisplay* display, const std::string& message, int font_px, unsigned long owner,
                  const Rect& dialog) {
  // Sizes at a 12-pixel font, scaled like the dialog.
  const auto s = [&](int v) { return MulDiv(v, font_px, 12); };
  const int margin = s(16), icon = s(32), gap = s(12);
  const int button_w = s(75), button_h = s(23);

  // The text wraps at a width that keeps the box well inside the screen.
  fl_font(DialogFont(), font_px);
  int text_w = s(360), text_h = 0;
  fl_measure(message.c_str(), text_w, text_h, 0);
  text_w = std::max(text_w, s(120));
  const int body_h = std::max(icon, text_h);
  const int w = margin + icon + gap + text_w + margin;
  const int h = margin + body_h + gap + button_h + s(12);

  Fl_Double_Window box(w, h, kErrorBoxCaption);
  box.color(kPanelColour);
  box.size_range(w, h, w, h);
  int x, y;
  // The gap leaves room for the window manager's title bar over the box.
  PlaceBox(w, h, dialog, s(32), &x, &y);
  box.position(x, y);
  box.begin();
  new IconWidget(margin, margin, icon);
  auto* text = new Fl_Box(margin + icon + gap, margin + std::max(0, (icon - text_h) / 2), text_w,
                          text_h, nullptr);
  text->copy_label(message.c_str());
  text->labelfont(DialogFont());
  text->labelsize(font_px);
  text->labelcolor(kTextColour);
  text->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  auto* ok = new Fl_Button((w - button_w) / 2, h - s(12) - button_h, button_w, button_h, "确定");
  ok->shortcut(FL_Enter);
  ok->labelfont(DialogFont());
  ok->labelsize(font_px);
  ok->callback([](Fl_Widget* button, void*) { button->window()->hide(); });
  box.end();
  box.set_modal();
  box.show();
  MarkDialogWindow(display, fl_xid(&box), owner);
  ok->take_focus();
  while (box.shown()) Fl::wait();
}

}  // namespace qoru
