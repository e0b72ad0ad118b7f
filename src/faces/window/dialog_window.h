// The conversion dialog as a toolkit window: a fixed-size double-buffered window with
// the banner band on top and, below it, the lower panel in RGB 240/240/240 with its
// one-pixel flat border, the status line and the progress bar with its percentage,
// laid out by DialogLayout. It only draws what it is given; the window face feeds it.
// Also the look that the dialog shares with its error box.
#pragma once

#include <memory>
#include <string>

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Image.H>

#include "faces/window/dialog_layout.h"

class Fl_Box;
class Fl_Progress;

namespace qoru {

class DialogWindow : public Fl_Double_Window {
 public:
  // `caption` is UTF-8. The window is placed in the middle of the primary screen's work
  // area.
  DialogWindow(const DialogLayout& layout, const std::string& caption);

  void SetStatus(const std::string& text);  // UTF-8; repaints when it differs
  void SetPercent(int percent);  // repaints when it differs; outside 0..100, the nearest end

  const DialogLayout& layout() const { return layout_; }

 private:
  DialogLayout layout_;
  std::unique_ptr<Fl_Image> banner_;  // drawn by the banner band, which does not own it
  Fl_Box* label_ = nullptr;           // owned by the window, as its children are
  Fl_Progress* bar_ = nullptr;
  int percent_ = -1;  // the percentage shown
};

// The CJK font installed by the set-up (WenQuanYi Zen Hei) that stands in for "宋体";
// fontconfig falls back to a near match when it is missing. Registered with the
// toolkit on first use.
Fl_Font DialogFont();

// Colours in 0xRRGGBB00 form, as the toolkit takes them.
inline constexpr Fl_Color kPanelColour = 0xF0F0F000;   // RGB 240/240/240
inline constexpr Fl_Color kBorderColour = 0xA0A0A000;  // the panel's flat border
inline constexpr Fl_Color kTextColour = FL_BLACK;      // window text
inline constexpr Fl_Color kFillColour = 0x0078D700;    // the bar's filled part
inline constexpr Fl_Color kStopColour = 0xC8181800;    // the error box's icon

// What a label must hold to show `text` unchanged: the toolkit reads "@" as the start
// of a symbol's name, and "@@" as "@".
std::string LabelText(const std::string& text);

}  // namespace qoru
