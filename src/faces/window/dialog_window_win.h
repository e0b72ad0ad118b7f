// The conversion dialog as a Win32 window: a fixed dialog frame with the caption and
// the close box only, the banner band on top and, below it, the lower panel in RGB
// 240/240/240 with its one-pixel flat border, the status line and the common
// controls' progress bar with its percentage written in its middle, laid out by
// DialogLayout at the screen's resolution. It only draws what it is given; the window
// face feeds it and runs its messages. Its close box (and Alt+F4) only records the
// request: the window stays until it is destroyed.
#pragma once

#include <windows.h>

#include <string>

#include "faces/window/banner_win.h"
#include "faces/window/dialog_layout.h"

namespace qoru {

class DialogWindowWin32 {
 public:
  // Creates the window, hidden, in the middle of the primary screen's work area.
  // `owner` may be null. Throws std::runtime_error when the window cannot be created.
  DialogWindowWin32(HWND owner, const std::wstring& caption);
  ~DialogWindowWin32();
  DialogWindowWin32(const DialogWindowWin32&) = delete;
  DialogWindowWin32& operator=(const DialogWindowWin32&) = delete;

  HWND hwnd() const { return hwnd_; }
  const DialogLayout& layout() const { return layout_; }

  void SetStatus(const std::wstring& text);  // repaints the line when it differs
  void SetPercent(int percent);              // repaints the bar when it differs; clamped to 0..100

  // Whether the close box or Alt+F4 was used since the last call.
  bool TakeCloseRequest();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint(HDC dc);
  void PaintBar(HWND bar, HDC dc);
  RECT LabelRect() const;

  DialogLayout layout_;
  HINSTANCE instance_ = nullptr;  // the module that registered the window class
  HWND hwnd_ = nullptr;
  HWND bar_ = nullptr;            // the common controls' progress bar, a child
  WNDPROC bar_proc_ = nullptr;    // the bar's own window procedure, which it paints with
  HFONT font_ = nullptr;          // the dialog's font, at layout_.font_px
  BannerPixels banner_;           // the banner, stretched to the band
  std::wstring status_;           // the status line's text
  int percent_ = 0;               // the percentage shown
  bool close_requested_ = false;  // the close box was used and not yet taken
};

// The dialog's window class name and colours (COLORREF: 0x00BBGGRR).
inline constexpr wchar_t kDialogClassName[] = L"qoru_ERP_GBtxt.Dialog";
inline constexpr COLORREF kPanelColourWin = RGB(240, 240, 240);
inline constexpr COLORREF kBorderColourWin = RGB(160, 160, 160);
inline constexpr COLORREF kTextColourWin = RGB(0, 0, 0);
inline constexpr COLORREF kFillColourWin = RGB(0x00, 0x78, 0xD7);

}  // namespace qoru
