// The conversion dialog's geometry at a given screen resolution. At 96 pixels per inch
// the client area is 336 x 89: the banner band (0, 0, 336, 33) above the lower panel
// (0, 33, 336, 56), which holds the status line at 52/8 and the progress bar at
// 1/31, 334 x 24, both in panel coordinates; the font is 12 pixels high. At another
// resolution the font height is 12 * dpi / 96 and every size and position is scaled
// by that height over 12, each rounded to the nearest pixel (halves away from zero);
// the bar stays aligned to the panel's bottom edge inside the one-pixel border.
#pragma once

namespace qoru {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

struct DialogLayout {
  int font_px = 12;  // text height of the dialog's font
  int client_w = 336;
  int client_h = 89;
  Rect banner;  // in client coordinates
  Rect panel;   // in client coordinates
  Rect label;   // top-left of the status line, in panel coordinates (w, h unused: 0)
  Rect bar;     // in panel coordinates
};

// `dpi` below 1 counts as 96.
DialogLayout ScaledDialogLayout(int dpi);

// a * b / c rounded to the nearest whole number, halves away from zero; 0 when c is 0.
int MulDiv(int a, int b, int c);

}  // namespace qoru
