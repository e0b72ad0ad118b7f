#include "faces/screen_probe_win.h"

#include <objbase.h>
#include <wincodec.h>

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

BgrImage GrabScreen(const RECT& area) {
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

BgrImage GrabClient(HWND window) {
  RECT client;
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  return GrabScreen(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
}

BgrImage GrabWindow(HWND window) {
  RECT frame;
  ::GetWindowRect(window, &frame);
  return GrabScreen(frame);
}

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

}  // namespace qoru::test
