#include "faces/window/banner.h"

#include <algorithm>
#include <vector>

#include <FL/Fl_JPEG_Image.H>

namespace qoru {

std::unique_ptr<Fl_Image> StretchedBanner(int w, int h) {
  // The toolkit reads a JPEG from memory without its length: it is given only the
  // embedded stream, which the build checked to be whole. Reading it also keeps a few
  // bytes for the life of the process, hence once.
  static const Fl_JPEG_Image banner("banner", BannerJpeg().data());
  return Stretch(banner, w, h);
}

std::unique_ptr<Fl_Image> Stretch(const Fl_RGB_Image& picture, int w, int h) {
  const int pw = picture.w(), ph = picture.h(), d = picture.d();
  if (w < 1 || h < 1 || pw < 1 || ph < 1 || d < 1) return nullptr;
  // FLTK 1.3 takes target pixel i from source position i * (size - 1) / target size,
  // which never reaches the last row and column and shifts the picture by up to a
  // pixel. A copy with its last row and column repeated once more brings the mapping
  // to i * size / target size, within half a pixel of the pixel centres' mapping.
  const auto* from = reinterpret_cast<const unsigned char*>(picture.data()[0]);
  const int from_line = picture.ld() != 0 ? picture.ld() : pw * d, line = (pw + 1) * d;
  std::vector<unsigned char> edged(static_cast<std::size_t>(line) * (ph + 1));
  for (int y = 0; y <= ph; ++y) {
    const unsigned char* row = from + static_cast<std::ptrdiff_t>(std::min(y, ph - 1)) * from_line;
    unsigned char* to = std::copy(row, row + pw * d, edged.data() + std::ptrdiff_t{y} * line);
    std::copy(row + (pw - 1) * d, row + pw * d, to);
  }
  Fl_RGB_Image source(edged.data(), pw + 1, ph + 1, d);
  const Fl_RGB_Scaling previous = Fl_RGB_Image::RGB_scaling();
  Fl_RGB_Image::RGB_scaling(FL_RGB_SCALING_BILINEAR);
  std::unique_ptr<Fl_Image> stretched(source.copy(w, h));
  Fl_RGB_Image::RGB_scaling(previous);
  return stretched;
}

}  // namespace qoru
