// The conversion dialog as a toolkit window: a fixed-size double-buffered window with
// the banner band on top and, below it, the lower panel in RGB 240/240/240 with its
// one-pixel flat border, the status line and the progress bar, laid out by
// DialogLayout. It only draws what it is given; the window face feeds it.
#pragma once

#include <string>

#include <FL/Fl_Double_Window.H>

#include "platform/dialog_layout.h"
#include "platform/rgb_image.h"

class Fl_Box;

namespace qoru {

class ProgressBarWidget;

class DialogWindow : public Fl_Double_Window {
 public:
  // `banner` is drawn stretched to the banner band; `caption` is UTF-8. The window is
  // placed in the middle of the primary screen's work area.
  DialogWindow(const DialogLayout& layout, const RgbImage& banner, const std::string& caption);

  void SetStatus(const std::string& text);  // UTF-8; repaints when it differs
  void SetPercent(int percent);             // repaints when it differs

  const DialogLayout& layout() const { return layout_; }

 private:
  DialogLayout layout_;
  Fl_Box* label_ = nullptr;  // owned by the window, as its children are
  ProgressBarWidget* bar_ = nullptr;
};

}  // namespace qoru
