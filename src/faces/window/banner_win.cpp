#include "faces/window/banner_win.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include "faces/window/banner.h"

namespace qoru {
namespace {

// Releases a COM interface when it goes out of scope.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p_) p_->Release();
  }
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the length of a decode, only where the thread has not set it up otherwise: a
// successful CoInitializeEx (S_OK, or S_FALSE when it was already initialised the same
// way) is balanced by CoUninitialize; a thread in the other apartment model keeps it.
class ComForDecode {
 public:
  ComForDecode() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComForDecode(const ComForDecode&) = delete;
  ComForDecode& operator=(const ComForDecode&) = delete;
  ~ComForDecode() {
    if (initialised_) ::CoUninitialize();
  }

 private:
  bool initialised_;
};

}  // namespace

BannerPixels StretchedBannerPixels(int w, int h) {
  BannerPixels out;
  if (w < 1 || h < 1) return out;
  ComForDecode com;
  ComRef<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))))
    return out;
  const auto jpeg = BannerJpeg();
  ComRef<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(jpeg.data()),
                                          static_cast<DWORD>(jpeg.size()))))
    return out;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())))
    return out;
  // The decoder gives 24-bit BGR; the converter makes it 32-bit BGRX for the device,
  // and the scaler stretches it with linear interpolation.
  ComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return out;
  ComRef<IWICBitmapScaler> scaler;
  if (FAILED(factory->CreateBitmapScaler(scaler.Out())) ||
      FAILED(scaler->Initialize(converter.get(), static_cast<UINT>(w), static_cast<UINT>(h),
                                WICBitmapInterpolationModeLinear)))
    return out;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
  if (FAILED(scaler->CopyPixels(nullptr, static_cast<UINT>(w) * 4,
                                static_cast<UINT>(pixels.size() * 4),
                                reinterpret_cast<BYTE*>(pixels.data()))))
    return out;
  out.w = w;
  out.h = h;
  out.bgrx = std::move(pixels);
  return out;
}

}  // namespace qoru
