// The dialog's geometry at the usual screen resolutions.
#include "faces/window/dialog_layout.h"

#include <gtest/gtest.h>

namespace qoru {
namespace {

TEST(DialogLayout, ScalesFontThenEverySizeByTheFontAndKeepsTheBarOnThePanelsBottomEdge) {
  struct Case {
    int dpi;
    int font_px, client_w, client_h;
    Rect banner, panel, label, bar;
  };
  const Case cases[] = {
      {96, 12, 336, 89, {0, 0, 336, 33}, {0, 33, 336, 56}, {52, 8, 0, 0}, {1, 31, 334, 24}},
      {0, 12, 336, 89, {0, 0, 336, 33}, {0, 33, 336, 56}, {52, 8, 0, 0}, {1, 31, 334, 24}},
      // 120 dpi: a 15-pixel font, everything times 1.25 (89 -> 111.25, 33 -> 41.25).
      {120, 15, 420, 111, {0, 0, 420, 41}, {0, 41, 420, 70}, {65, 10, 0, 0}, {1, 39, 418, 30}},
      // 144 dpi: 18 pixels, times 1.5; halves round away from zero (89 -> 134, 33 -> 50).
      {144, 18, 504, 134, {0, 0, 504, 50}, {0, 50, 504, 84}, {78, 12, 0, 0}, {1, 47, 502, 36}},
      // 100 dpi: 12.5 -> 13 pixels; sizes follow the rounded font, not the dpi.
      {100, 13, 364, 96, {0, 0, 364, 36}, {0, 36, 364, 60}, {56, 9, 0, 0}, {1, 33, 362, 26}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    const DialogLayout l = ScaledDialogLayout(c.dpi);
    EXPECT_EQ(l.font_px, c.font_px);
    EXPECT_EQ(l.client_w, c.client_w);
    EXPECT_EQ(l.client_h, c.client_h);
    EXPECT_EQ(l.banner, c.banner);
    EXPECT_EQ(l.panel, c.panel);
    EXPECT_EQ(l.label, c.label);
    EXPECT_EQ(l.bar, c.bar);
  }
}

TEST(DialogLayout, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(89, 15, 12), 111);  // 111.25
  EXPECT_EQ(MulDiv(89, 18, 12), 134);  // 133.5
  EXPECT_EQ(MulDiv(-89, 18, 12), -134);
  EXPECT_EQ(MulDiv(89, -18, 12), -134);
  EXPECT_EQ(MulDiv(7, 1, 0), 0);
}

}  // namespace
}  // namespace qoru
