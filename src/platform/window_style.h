// The look that the dialog's windows share: the font that stands in for "宋体", and the
// colours of the panel, the text and the progress bar's fill, in 0xRRGGBB00 form as
// the toolkit takes them.
#pragma once

#include <FL/Enumerations.H>

namespace qoru {

// The CJK font installed by the set-up (WenQuanYi Zen Hei); fontconfig falls back to
// a near match when it is missing. Registered with the toolkit on first use.
Fl_Font DialogFont();

inline constexpr Fl_Color kPanelColour = 0xF0F0F000;   // RGB 240/240/240
inline constexpr Fl_Color kBorderColour = 0xA0A0A000;  // the panel's flat border
inline constexpr Fl_Color kTextColour = FL_BLACK;      // window text
inline constexpr Fl_Color kFillColour = 0x0078D700;    // the bar's filled part
inline constexpr Fl_Color kFillTextColour = 0xFFFFFF00;

}  // namespace qoru
