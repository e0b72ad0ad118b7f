// The dialog's progress bar as a toolkit widget: a grooved border, the part done filled
// from the left over `percent` of the inner width, and the percentage ("%u%%") in the
// middle, white over the fill and in the text colour elsewhere. It only draws: the
// percentage comes from the ProgressBar model through the window face.
#pragma once

#include <FL/Fl_Widget.H>

namespace qoru {

class ProgressBarWidget : public Fl_Widget {
 public:
  ProgressBarWidget(int x, int y, int w, int h, int font_px);

  // Repaints when the value changes. Values outside 0..100 are drawn as the nearest end.
  void SetPercent(int percent);
  int percent() const { return percent_; }

  // Width in pixels of the filled part for `percent` of an inner width `inner_w`.
  static int FillWidth(int percent, int inner_w);

  static constexpr int kBorder = 2;  // the groove's width on each side

 protected:
  void draw() override;

 private:
  int percent_ = 0;
  int font_px_;
};

}  // namespace qoru
