// The dialog's banner on Windows: the embedded JPEG (BannerJpeg) decoded by the
// system's imaging component (WIC) and stretched to the banner band by its linear
// scaler, as 32-bit top-down BGRX pixels ready for SetDIBitsToDevice.
#pragma once

#include <cstdint>
#include <vector>

namespace qoru {

struct BannerPixels {
  int w = 0, h = 0;
  std::vector<std::uint32_t> bgrx;  // w * h pixels, row by row from the top; empty on failure
};

// The banner stretched to w x h. Empty pixels when a size is below 1 or the picture
// cannot be decoded (the band then keeps the panel colour). COM is used as the calling
// thread has it: when the thread has not initialised COM, it is initialised for the
// decode and uninitialised again, so that the host's setting is left as it was.
BannerPixels StretchedBannerPixels(int w, int h);

}  // namespace qoru
