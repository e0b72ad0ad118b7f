#include "faces/desktop_probe_win.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

namespace qoru::test {
namespace {

template <class T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p) p->Release();
  }
};

}  // namespace

// The screen's pixels inside `area` (screen coordinates).
static BgrImage GrabScreen(const RECT& area) {
  BgrImage image;
  image.width = area.right - area.left;
  image.height = area.bottom - area.top;
  if (image.width <= 0 || image.height <= 0) return image;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = ::SelectObject(dc, bitmap);
  ::BitBlt(dc, 0, 0, image.width, image.height, screen, area.left, area.top, SRCCOPY);
  ::GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  image.pixels.assign(first, first + static_cast<std::size_t>(image.width) * image.height);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return image;
}

BgrImage GrabClient(std::uintptr_t id) {
  const auto window = reinterpret_cast<HWND>(id);
  RECT client;
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  return GrabScreen(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
}

BgrImage GrabWindow(std::uintptr_t id) {
  const auto window = reinterpret_cast<HWND>(id);
  RECT frame;
  ::GetWindowRect(window, &frame);
  return GrabScreen(frame);
}

namespace {

bool WritePng(const BgrImage& image, const std::wstring& path) {
  const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  bool ok = false;
  {
    Released<IWICImagingFactory> factory;
    Released<IWICStream> stream;
    Released<IWICBitmapEncoder> encoder;
    Released<IWICBitmapFrameEncode> frame;
    // 24-bit BGR, the form every PNG encoder takes.
    std::vector<BYTE> bgr(static_cast<std::size_t>(image.width) * image.height * 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
      bgr[i * 3] = image.pixels[i] & 0xFF;
      bgr[i * 3 + 1] = (image.pixels[i] >> 8) & 0xFF;
      bgr[i * 3 + 2] = (image.pixels[i] >> 16) & 0xFF;
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    ok = SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory.p))) &&
         SUCCEEDED(factory.p->CreateStream(&stream.p)) &&
         SUCCEEDED(stream.p->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory.p->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder.p)) &&
         SUCCEEDED(encoder.p->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder.p->CreateNewFrame(&frame.p, nullptr)) &&
         SUCCEEDED(frame.p->Initialize(nullptr)) &&
         SUCCEEDED(frame.p->SetSize(image.width, image.height)) &&
         SUCCEEDED(frame.p->SetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR &&
         SUCCEEDED(frame.p->WritePixels(image.height, image.width * 3,
                                        static_cast<UINT>(bgr.size()), bgr.data())) &&
         SUCCEEDED(frame.p->Commit()) && SUCCEEDED(encoder.p->Commit());
  }
  if (com) ::CoUninitialize();
  return ok;
}

}  // namespace

bool HasDesktop() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  return !wine || std::getenv("QORU_WINE_DESKTOP") != nullptr;
}

bool WriteScreenshot(const BgrImage& image, const std::string& name) {
  std::error_code error;
  std::filesystem::create_directories("screenshots", error);
  return WritePng(image, L"screenshots\\" + std::wstring(name.begin(), name.end()) + L".png");
}

HostWindow::HostWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"qoru.TestHost";
  ::RegisterClassW(&wc);
  id_ = reinterpret_cast<std::uintptr_t>(
      ::CreateWindowExW(0, wc.lpszClassName, L"宿主", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300,
                        200, nullptr, nullptr, wc.hInstance, nullptr));
}

HostWindow::~HostWindow() {
  ::DestroyWindow(reinterpret_cast<HWND>(id_));
}

std::uintptr_t FindVisibleWindow(const std::wstring& caption) {
  HWND window = ::FindWindowW(nullptr, caption.c_str());
  return window != nullptr && ::IsWindowVisible(window) ? reinterpret_cast<std::uintptr_t>(window)
                                                        : 0;
}

std::uintptr_t OwnerOf(std::uintptr_t window) {
  return reinterpret_cast<std::uintptr_t>(::GetWindow(reinterpret_cast<HWND>(window), GW_OWNER));
}

bool IsEnabled(std::uintptr_t window) {
  return ::IsWindowEnabled(reinterpret_cast<HWND>(window)) != FALSE;
}

bool Exists(std::uintptr_t window) {
  return ::IsWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

std::wstring CaptionOf(std::uintptr_t window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(reinterpret_cast<HWND>(window), text, 256);
  return text;
}

std::pair<int, int> ClientSize(std::uintptr_t window) {
  RECT client{};
  ::GetClientRect(reinterpret_cast<HWND>(window), &client);
  return {client.right, client.bottom};
}

}  // namespace qoru::test
