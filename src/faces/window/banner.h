// The dialog's banner: a 320 x 49 baseline colour JPEG with the tool's logo and word
// mark (assets/banner.jpg, drawn by tools/banner/make_banner.cpp), embedded in the
// library at build time, decoded by the toolkit's JPEG reader and stretched to the
// banner band by the toolkit's bilinear scaling.
#pragma once

#include <memory>
#include <span>

class Fl_Image;
class Fl_RGB_Image;

namespace qoru {

// The picture's bytes: a whole JPEG stream, as the build checks.
std::span<const unsigned char> BannerJpeg();

// The banner stretched to w x h, or nullptr when it cannot be decoded (the band then
// keeps the panel colour). The picture is decoded once per process.
std::unique_ptr<Fl_Image> StretchedBanner(int w, int h);

// `picture` (8-bit, d() bytes a pixel) stretched or shrunk to w x h by bilinear
// interpolation; nullptr when a size is below 1. The toolkit's scaling setting is left
// as it was.
std::unique_ptr<Fl_Image> Stretch(const Fl_RGB_Image& picture, int w, int h);

}  // namespace qoru
