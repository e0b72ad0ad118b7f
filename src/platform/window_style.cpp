#include "platform/window_style.h"

#include <FL/Fl.H>

namespace qoru {

Fl_Font DialogFont() {
  // A leading blank asks the toolkit for the regular style of the family.
  static const Fl_Font font = [] {
    Fl::set_font(FL_FREE_FONT, " WenQuanYi Zen Hei");
    return static_cast<Fl_Font>(FL_FREE_FONT);
  }();
  return font;
}

}  // namespace qoru
