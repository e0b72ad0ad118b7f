// The dialog's banner as stored and decoded, the toolkit's JPEG reader on damaged
// pictures, and the stretching of a picture.
#include <gtest/gtest.h>

#include <FL/Fl_JPEG_Image.H>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "faces/window/banner.h"

namespace qoru {
namespace {

// The start-of-frame markers of a JPEG stream, in order (0xC0: baseline).
std::vector<int> FrameMarkers(std::span<const unsigned char> jpeg) {
  std::vector<int> markers;
  std::size_t i = 2;  // after SOI
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    const int marker = jpeg[i + 1];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      markers.push_back(marker);
    if (marker == 0xDA) break;  // the scan data follows
    i += 2 + static_cast<std::size_t>((jpeg[i + 2] << 8) | jpeg[i + 3]);
  }
  return markers;
}

// Where the marker segment `marker` starts (at its 0xFF), or 0.
std::size_t SegmentAt(const std::vector<unsigned char>& jpeg, int marker) {
  std::size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    if (jpeg[i + 1] == marker) return i;
    if (jpeg[i + 1] == 0xDA) break;
    i += 2 + static_cast<std::size_t>((jpeg[i + 2] << 8) | jpeg[i + 3]);
  }
  return 0;
}

const std::uint8_t* Pixels(const Fl_Image& image) {
  return reinterpret_cast<const std::uint8_t*>(image.data()[0]);
}

TEST(Banner, IsABaselineColourJpegOf320By49WithAPicture) {
  const auto bytes = BannerJpeg();
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
  EXPECT_EQ(FrameMarkers(bytes), std::vector<int>{0xC0});
  Fl_JPEG_Image banner("banner", bytes.data());
  ASSERT_EQ(banner.fail(), 0);
  EXPECT_EQ(banner.w(), 320);
  EXPECT_EQ(banner.h(), 49);
  ASSERT_EQ(banner.d(), 3);
  std::set<int> colours;
  for (int i = 0; i < banner.w() * banner.h(); ++i) {
    const std::uint8_t* p = Pixels(banner) + i * 3;
    colours.insert((p[0] << 16) | (p[1] << 8) | p[2]);
  }
  EXPECT_GT(colours.size(), 500u);

  // Stretched to the band, the picture keeps its place: the gold rule along its bottom
  // edge is the band's last row.
  const std::unique_ptr<Fl_Image> band = StretchedBanner(336, 33);
  ASSERT_NE(band, nullptr);
  ASSERT_EQ(band->w(), 336);
  ASSERT_EQ(band->h(), 33);
  int gold = 0;
  for (int x = 0; x < 336; ++x) {
    const std::uint8_t* p = Pixels(*band) + (32 * 336 + x) * 3;
    gold += p[0] > 200 && p[1] > 150 && p[2] < 120 ? 1 : 0;
  }
  EXPECT_GT(gold, 300);
}

// The toolkit's reader takes no length: it would read a stream cut short beyond its
// end, which is why the library hands it only the embedded stream that the build
// checked to be whole. Damage inside a whole stream is what it must survive.
TEST(JpegReader, RefusesADamagedPictureAndTheProcessGoesOn) {
  const auto banner = BannerJpeg();
  const std::vector<unsigned char> whole(banner.begin(), banner.end());
  std::vector<unsigned char> no_components = whole;  // a frame of zero colour components
  no_components.at(SegmentAt(whole, 0xC0) + 9) = 0;
  std::vector<unsigned char> bad_table = whole;  // a Huffman table of class 7
  bad_table.at(SegmentAt(whole, 0xC4) + 4) = 0x70;
  std::vector<unsigned char> no_image = {0xFF, 0xD8, 0xFF, 0xD9};
  const std::vector<std::vector<unsigned char>> cases = {
      {'n', 'o', 't', ' ', 'j', 'p', 'g'}, no_components, bad_table, no_image};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    Fl_JPEG_Image image("damaged", cases[i].data());
    EXPECT_NE(image.fail(), 0) << "case " << i;
    EXPECT_EQ(image.w(), 0) << "case " << i;
  }
}

TEST(JpegReader, AScanCutShortBeforeTheEndMarkerStillGivesAWholePicture) {
  // libjpeg fills what is missing; the dialog then shows part of its banner.
  const auto banner = BannerJpeg();
  std::vector<unsigned char> half(banner.begin(), banner.begin() + banner.size() / 2);
  half.insert(half.end(), {0xFF, 0xD9});
  Fl_JPEG_Image image("half", half.data());
  EXPECT_EQ(image.fail(), 0);
  EXPECT_EQ(image.w(), 320);
  EXPECT_EQ(image.h(), 49);
}

TEST(Stretch, KeepsUniformColourAndCornersAndBlendsBetweenPixels) {
  std::vector<std::uint8_t> grey_pixels(320 * 49 * 3);
  for (std::size_t i = 0; i < grey_pixels.size(); i += 3)
    grey_pixels[i] = 30, grey_pixels[i + 1] = 92, grey_pixels[i + 2] = 160;
  const Fl_RGB_Image grey_picture(grey_pixels.data(), 320, 49, 3);
  // The toolkit's own setting is nearest-neighbour scaling; it comes back as it was.
  Fl_RGB_Image::RGB_scaling(FL_RGB_SCALING_NEAREST);
  const std::unique_ptr<Fl_Image> grey = Stretch(grey_picture, 336, 33);
  EXPECT_EQ(Fl_RGB_Image::RGB_scaling(), FL_RGB_SCALING_NEAREST);
  ASSERT_NE(grey, nullptr);
  ASSERT_EQ(grey->w(), 336);
  ASSERT_EQ(grey->h(), 33);
  for (int i = 0; i < 336 * 33; ++i) ASSERT_EQ(Pixels(*grey)[i * 3 + 1], 92) << i;

  // Black on the left, white on the right: the ends keep their colour, the colour
  // blends (nearest-neighbour would jump from black to white) and never falls back on
  // the way across.
  std::uint8_t two_pixels[6] = {0, 0, 0, 255, 255, 255};
  const Fl_RGB_Image two(two_pixels, 2, 1, 3);
  const std::unique_ptr<Fl_Image> wide = Stretch(two, 8, 1);
  ASSERT_NE(wide, nullptr);
  const std::uint8_t* p = Pixels(*wide);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[7 * 3], 255);
  for (int x = 1; x < 8; ++x) EXPECT_GE(p[x * 3], p[(x - 1) * 3]);
  std::set<int> levels;
  for (int x = 0; x < 8; ++x) levels.insert(p[x * 3]);
  EXPECT_GE(levels.size(), 4u);

  // A picture with a row stride wider than its pixels: only the pixels count.
  std::uint8_t strided_pixels[2 * 8] = {9, 9, 9, 9, 9, 9, 1, 1, 9, 9, 9, 9, 9, 9, 2, 2};
  const Fl_RGB_Image strided(strided_pixels, 2, 2, 3, 8);
  const std::unique_ptr<Fl_Image> big = Stretch(strided, 5, 5);
  ASSERT_NE(big, nullptr);
  for (int i = 0; i < 5 * 5 * 3; ++i) ASSERT_EQ(Pixels(*big)[i], 9) << i;

  EXPECT_EQ(Stretch(two, 0, 5), nullptr);
  EXPECT_EQ(Stretch(two, 5, -1), nullptr);
}

}  // namespace
}  // namespace qoru
