// The conversion dialog's banner picture: a 320 x 49 baseline colour JPEG with the
// tool's logo and word mark, stored in the library as bytes. It is drawn by
// tools/banner/make_banner.cpp, which also writes banner_jpeg.cpp.
#pragma once

#include <span>

namespace qoru {

std::span<const unsigned char> BannerJpeg();

}  // namespace qoru
