#include "faces/window/dialog_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace qoru {
namespace {

// The module that holds this code (the plug-in DLL, or the executable it is linked
// into): its window classes are registered under it.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

int ScreenDpiWin32() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi;
}

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

}  // namespace

DialogWindowWin32::DialogWindowWin32(HWND owner, const std::wstring& caption)
    : layout_(ScaledDialogLayout(ScreenDpiWin32())), instance_(ThisModule()) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  banner_ = StretchedBannerPixels(layout_.banner.w, layout_.banner.h);

  // The class lives as long as the window: a DLL's classes outlive its unloading
  // otherwise, and a later load would find a class whose procedure is gone.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &DialogWindowWin32::WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kDialogClassName;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("对话框的窗口类无法注册");

  // "宋体" at the layout's text height, for every text of the dialog.
  font_ = ::CreateFontW(-layout_.font_px, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, L"宋体");

  // The frame around a client area of the layout's size, in the middle of the work area.
  RECT frame{0, 0, layout_.client_w, layout_.client_h};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - w) / 2;
  const int y = work.top + (work.bottom - work.top - h) / 2;
  hwnd_ = ::CreateWindowExW(kExStyle, kDialogClassName, caption.c_str(), kStyle, x, y, w, h, owner,
                            nullptr, instance_, this);
  if (hwnd_ == nullptr) {
    if (font_) ::DeleteObject(font_);
    ::UnregisterClassW(kDialogClassName, instance_);
    throw std::runtime_error("对话框窗口无法创建");
  }
  // The system menu offers moving and closing only.
  if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
    ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
  }

  // The bar: smooth, 0..100, in the panel colour with the fill colour; its own frame is
  // the one-pixel edge that the common controls give it, inside which it keeps a
  // one-pixel margin, so that its inside is two pixels in from its rectangle.
  const Rect& p = layout_.panel;
  const Rect& b = layout_.bar;
  bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                           p.x + b.x, p.y + b.y, b.w, b.h, hwnd_, nullptr, instance_, nullptr);
  if (bar_ != nullptr) {
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    ::SendMessageW(bar_, PBM_SETBARCOLOR, 0, kFillColourWin);
    ::SendMessageW(bar_, PBM_SETBKCOLOR, 0, kPanelColourWin);
    ::SetWindowLongPtrW(bar_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    bar_proc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogWindowWin32::BarProc)));
  }
}

DialogWindowWin32::~DialogWindowWin32() {
  if (hwnd_) ::DestroyWindow(hwnd_);
  if (font_) ::DeleteObject(font_);
  ::UnregisterClassW(kDialogClassName, instance_);
}

void DialogWindowWin32::SetStatus(const std::wstring& text) {
  if (text == status_) return;
  status_ = text;
  const RECT r = LabelRect();
  ::InvalidateRect(hwnd_, &r, FALSE);
}

void DialogWindowWin32::SetPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  if (bar_) {
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    ::InvalidateRect(bar_, nullptr, FALSE);
  }
}

bool DialogWindowWin32::TakeCloseRequest() {
  const bool requested = close_requested_;
  close_requested_ = false;
  return requested;
}

RECT DialogWindowWin32::LabelRect() const {
  // From the line's top-left corner to the panel's border, one line high.
  const Rect& p = layout_.panel;
  const int x = p.x + layout_.label.x, y = p.y + layout_.label.y;
  return RECT{x, y, p.x + p.w - 1, y + layout_.font_px + layout_.font_px / 3};
}

void DialogWindowWin32::Paint(HDC dc) {
  const Rect& band = layout_.banner;
  if (!banner_.bgrx.empty()) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = banner_.w;
    info.bmiHeader.biHeight = -banner_.h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, band.x, band.y, banner_.w, banner_.h, 0, 0, 0, banner_.h,
                        banner_.bgrx.data(), &info, DIB_RGB_COLORS);
  } else {
    const RECT r{band.x, band.y, band.x + band.w, band.y + band.h};
    ::SetDCBrushColor(dc, kPanelColourWin);
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  }
  // The panel with its flat border, then the status line inside it.
  const Rect& p = layout_.panel;
  const RECT panel{p.x, p.y, p.x + p.w, p.y + p.h};
  ::SetDCBrushColor(dc, kPanelColourWin);
  ::FillRect(dc, &panel, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  ::SetDCBrushColor(dc, kBorderColourWin);
  ::FrameRect(dc, &panel, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  RECT label = LabelRect();
  const HGDIOBJ old_font = ::SelectObject(dc, font_);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, kTextColourWin);
  ::DrawTextW(dc, status_.c_str(), static_cast<int>(status_.size()), &label,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  ::SelectObject(dc, old_font);
}

void DialogWindowWin32::PaintBar(HWND bar, HDC target) {
  // The bar paints itself into a bitmap first, then the percentage goes on top, dark
  // beside the fill and white over it, and the whole is copied at once.
  RECT client;
  ::GetClientRect(bar, &client);
  const int w = client.right, h = client.bottom;
  HDC dc = ::CreateCompatibleDC(target);
  HBITMAP bitmap = ::CreateCompatibleBitmap(target, w, h);
  const HGDIOBJ old_bitmap = ::SelectObject(dc, bitmap);
  ::CallWindowProcW(bar_proc_, bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);

  const std::wstring text = std::to_wstring(percent_) + L"%";
  const HGDIOBJ old_font = ::SelectObject(dc, font_);
  ::SetBkMode(dc, TRANSPARENT);
  RECT all{0, 0, w, h};
  // The fill covers the percentage of the inside, which starts one pixel in.
  const int inside = std::max(0, w - 2);
  const int fill_right = 1 + ::MulDiv(percent_, inside, 100);
  RECT beside{fill_right, 0, w, h}, over{0, 0, fill_right, h};
  ::SetTextColor(dc, kTextColourWin);
  ::IntersectClipRect(dc, beside.left, beside.top, beside.right, beside.bottom);
  ::DrawTextW(dc, text.c_str(), -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectClipRgn(dc, nullptr);
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::IntersectClipRect(dc, over.left, over.top, over.right, over.bottom);
  ::DrawTextW(dc, text.c_str(), -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectClipRgn(dc, nullptr);
  ::SelectObject(dc, old_font);

  ::BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  ::SelectObject(dc, old_bitmap);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
}

LRESULT CALLBACK DialogWindowWin32::BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<DialogWindowWin32*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      self->PaintBar(hwnd, dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return ::CallWindowProcW(self->bar_proc_, hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK DialogWindowWin32::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<DialogWindowWin32*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      if (self) self->Paint(dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the whole client area is painted in WM_PAINT
    case WM_CLOSE:
      if (self) self->close_requested_ = true;  // the window stays until it is destroyed
      return 0;
    case WM_NCDESTROY:
      if (self) self->hwnd_ = nullptr;
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace qoru
